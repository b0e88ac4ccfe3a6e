// The field reader of the text formats, in both dialects and every block size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/capture.h"
#include "text_reader.h"

namespace {

// Every ReadField result up to the end of the stream, "<none>" for no field.
std::vector<std::string> fields_of(const std::string& text, std::string_view separators, Dialect dialect,
                                   size_t block_size = TextReader::DEFAULT_BLOCK_SIZE) {
    TextStream file = text_stream(text);
    TextReader stream(file.get(), block_size);
    std::vector<std::string> fields;
    while (!stream_at_end(stream)) fields.push_back(ReadField(stream, separators, dialect).value_or("<none>"));
    return fields;
}

TEST(ReadField, BothDialects) {
    const struct {
        std::string text;
        const char* separators;
        Dialect dialect;
        std::vector<std::string> expected;
    } cases[] = {
        // Separator runs, spaces inside a field, trailing spaces, then one full stop.
        {",,red,  light blue.\nnext,x", ",\t", Dialect::Main, {"red", "light blue", "<none>", "next", "x"}},
        {"a, .,b\n", ",\t", Dialect::Main, {"a", "<none>", "b", "<none>", "<none>"}},
        {"x .. ,y . \n", ",\t", Dialect::Main, {"x .", "y ", "<none>", "<none>"}},
        // A carriage return inside a field is dropped; before a line end it ends the field.
        {"a\rb,c\r\n", ",\t", Dialect::Main, {"ab", "c", "<none>", "<none>"}},
        // Also when the read that follows it moves the field to the front of the buffer.
        {"x,a\rb\n", ",\t", Dialect::Main, {"x", "ab", "<none>", "<none>"}},
        // A carriage return where a field would begin ends the line, as a line end does.
        {"a,\r\nb", ",\t", Dialect::Main, {"a", "<none>", "<none>", "b"}},
        {"\n\n:name: x", ":\n", Dialect::Main, {"name", " x"}},
        // A NUL byte ends the text of a field; nothing before it is no field at all.
        {std::string("yes\0zz,\0no\n", 11), ",\t", Dialect::Main, {"yes", "<none>", "<none>"}},
        // The older dialect keeps trailing spaces.
        {"name :x", ":\n", Dialect::Solmet, {"name ", "x"}},
    };
    // Read in blocks of every small size too, so that each field, separator run, carriage
    // return and line end also meets the end of a block.
    for (const auto& c : cases)
        for (size_t small = 0; small <= 8; ++small) {
            const size_t block_size = small == 0 ? TextReader::DEFAULT_BLOCK_SIZE : small;
            EXPECT_EQ(fields_of(c.text, c.separators, c.dialect, block_size), c.expected)
                << c.text.c_str() << " in blocks of " << block_size;
        }
}

}  // namespace
