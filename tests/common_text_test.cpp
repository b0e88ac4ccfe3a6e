// The lexical layer and the domain reader, in both dialects.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Ci_instances.h"
#include "support/capture.h"
#include "support/run_program.h"
#include "utils.h"

namespace {

// Every ReadField result up to the end of the stream, "<none>" for no field.
std::vector<std::string> fields_of(const std::string& text, std::string_view separators, Dialect dialect) {
    TextStream stream = text_stream(text);
    std::vector<std::string> fields;
    while (!stream_at_end(stream.get())) fields.push_back(ReadField(stream.get(), separators, dialect).value_or("<none>"));
    return fields;
}

using Fields = std::vector<std::string>;

TEST(ReadField, BothDialects) {
    const struct {
        std::string text;
        const char* separators;
        Dialect dialect;
        Fields expected;
    } cases[] = {
        // Separator runs, spaces inside a field, trailing spaces, then one full stop.
        {",,red,  light blue.\nnext,x", ",\t", Dialect::Main, {"red", "light blue", "<none>", "next", "x"}},
        {"a, .,b\n", ",\t", Dialect::Main, {"a", "<none>", "b", "<none>", "<none>"}},
        {"x .. ,y . \n", ",\t", Dialect::Main, {"x .", "y ", "<none>", "<none>"}},
        {"a,b\r\nc\r\n", ",\t", Dialect::Main, {"a", "b", "<none>", "c", "<none>", "<none>"}},
        {"|note, x\na|b\n", ",\t", Dialect::Main, {"<none>", "a|b", "<none>", "<none>"}},
        {"\n\n:name: x", ":\n", Dialect::Main, {"name", " x"}},
        {"| c: x\n", ":\n", Dialect::Main, {"| c", " x", "<none>"}},
        // A NUL byte ends the text of a field; nothing before it is no field at all.
        {std::string("yes\0zz,\0no\n", 11), ",\t", Dialect::Main, {"yes", "<none>", "<none>"}},
        // The older dialect: its own separators skipped, carriage returns and trailing
        // spaces kept, a comment also where a name is expected.
        {"5.1 3.5  yes\n", ",\t ", Dialect::Solmet, {"5.1", "3.5", "yes", "<none>", "<none>"}},
        {"a\r\n", ",\t", Dialect::Solmet, {"a\r", "<none>", "<none>"}},
        {"name :x", ":\n", Dialect::Solmet, {"name ", "x"}},
        {"| c: x\nn: y", ":\n", Dialect::Solmet, {"<none>", "n", " y"}},
    };
    for (const auto& c : cases) EXPECT_EQ(fields_of(c.text, c.separators, c.dialect), c.expected) << c.text.c_str();
}

// ---- Domains -------------------------------------------------------------------------------

class DomainFiles : public ::testing::Test {
protected:
    std::optional<Domain> read(const std::string& domain_text, Dialect dialect = Dialect::Main) {
        dir.write("d.domain", domain_text);
        return ReadDomain(base(), ".domain", dialect);
    }
    std::string base() const { return dir.file("d").string(); }
    TempDir dir;
};

std::vector<int> types_of(const Domain& domain) {
    std::vector<int> types;
    for (size_t a = 1; a < domain.attributes.size(); ++a) types.push_back(domain.attributes[a].type);
    return types;
}

TEST_F(DomainFiles, DeclarationsTypesAndClass) {
    const auto domain = read(
        "outlook: sunny, overcast, rain\n\n"
        "no colon here\n"
        "humidity: continuous\n"
        "size: [ordered], small, medium, large\n"
        "count: 1, 2, 5\n"
        "down: 5, 2, 1\n"
        "same: 1, 1, 2\n"
        "reals: 1.0, 2.0\n"
        "when: date\n"
        "\t: a, b\n"  // no name: skipped, and its value list read as a line without a colon
        "colour: red, light blue, green.\n"
        "play: yes, no.\n");
    ASSERT_TRUE(domain);
    EXPECT_EQ(domain->nr_attributes, 10);
    EXPECT_EQ(types_of(*domain), (std::vector<int>{NOMINAL, CONTINUOUS, ORDERED, INTEGER, NOMINAL, NOMINAL, NOMINAL,
                                                   DATE, NOMINAL, NOMINAL}));
    EXPECT_EQ(domain->attributes[9].values, (Fields{"", "red", "light blue", "green"}));
    EXPECT_EQ(domain->attributes[3].nr_values(), 4);
    EXPECT_EQ(IdValLbl(*domain, 3, "small"), 2);
    EXPECT_EQ(IdValLbl(*domain, 1, "rain"), 3);
    EXPECT_EQ(IdValLbl(*domain, 1, "Rain"), 0);
    EXPECT_EQ(IdValLbl(*domain, 2, "continuous"), 0);
    EXPECT_EQ(LblValId(*domain, 10, 2), "no");
    EXPECT_EQ(domain->name, base());
    EXPECT_EQ(NR_IGNORES, 0);
}

TEST_F(DomainFiles, IgnoredAttributesAreCounted) {
    std::optional<Domain> domain;
    Captured captured = capture_output([&] { domain = read("a: ignore\nb: ignore, x, y\nc: whatever\nk: p, q\n"); });
    ASSERT_TRUE(domain);
    EXPECT_EQ(types_of(*domain), (std::vector<int>{IGNORE, IGNORE, IGNORE, NOMINAL}));
    EXPECT_EQ(domain->attributes[2].nr_values(), 0);
    EXPECT_EQ(NR_IGNORES, 3);
    EXPECT_EQ(captured.err, "");
    // The older dialect reports the unrecognised single word, knows no "date" nor
    // "[ordered]", and compares labels as reals.
    captured = capture_output(
        [&] { domain = read("c: whatever\nd: date\ns: [ordered], lo, hi\nh: 0.5, 1.5\nk: p q\n", Dialect::Solmet); });
    ASSERT_TRUE(domain);
    EXPECT_EQ(types_of(*domain), (std::vector<int>{IGNORE, IGNORE, NOMINAL, INTEGER, NOMINAL}));
    EXPECT_EQ(domain->attributes[5].values, (Fields{"", "p", "q"}));
    EXPECT_EQ(NR_IGNORES, 2);
    EXPECT_EQ(captured.err, "Invalid Attribute declaration\nInvalid Attribute declaration\n");
}

TEST_F(DomainFiles, NamesFileFallback) {
    dir.write("d.names", "good bad\nx: continuous\n");
    const auto domain = ReadDomain(base(), ".domain", Dialect::Main);
    ASSERT_TRUE(domain);
    EXPECT_EQ(domain->nr_attributes, 2);
    EXPECT_EQ(domain->attributes[2].name, "Classe");
    EXPECT_EQ(domain->attributes[2].values, (Fields{"", "good", "bad"}));
    // A class line alone is a valid domain without attributes.
    dir.write("d.names", "yes;no\n");
    const auto bare = ReadDomain(base(), ".domain", Dialect::Main);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->nr_attributes, 1);
}

TEST_F(DomainFiles, InvalidDomainsAreRefused) {
    const std::string d = base() + ".domain";
    const std::string n = base() + ".names";
    Captured captured = capture_output([&] { EXPECT_FALSE(ReadDomain(base(), ".domain", Dialect::Main)); });
    EXPECT_EQ(captured.err, "Read Domain: " + d + " Invalid domain file\n");

    dir.write("d.names", "| a comment\nx: continuous\n");
    captured = capture_output([&] { EXPECT_FALSE(ReadDomain(base(), ".domain", Dialect::Main)); });
    EXPECT_EQ(captured.err, "Read Names: " + n + " Invalid domain file\nRead Domain: " + d + " Invalid domain file\n");

    for (const char* text : {"", "\n\nno colon\n", "x: a, b\nk: continuous\n", "x: a, b\nk: ignore\n"}) {
        captured = capture_output([&] { EXPECT_FALSE(read(text)) << text; });
        EXPECT_EQ(captured.err, "Read Domain: " + d + " Invalid domain file\n");
    }
}

}  // namespace
