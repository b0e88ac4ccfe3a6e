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

TEST(ReadField, SeparatorRunsSpacesAndFullStops) {
    EXPECT_EQ(fields_of(",,red,  light blue.\nnext,x", ",\t", Dialect::Main),
              (Fields{"red", "light blue", "<none>", "next", "x"}));
    // Spaces and a full stop only: no field, although the line goes on.
    EXPECT_EQ(fields_of("a, .,b\n", ",\t", Dialect::Main), (Fields{"a", "<none>", "b", "<none>", "<none>"}));
    // Trailing spaces go first, then one full stop; a space before the stop stays.
    EXPECT_EQ(fields_of("x .. ,y . \n", ",\t", Dialect::Main), (Fields{"x .", "y ", "<none>", "<none>"}));
}

TEST(ReadField, CarriageReturnsAndComments) {
    EXPECT_EQ(fields_of("a,b\r\nc\r\n", ",\t", Dialect::Main), (Fields{"a", "b", "<none>", "c", "<none>", "<none>"}));
    EXPECT_EQ(fields_of("|note, x\na|b\n", ",\t", Dialect::Main), (Fields{"<none>", "a|b", "<none>", "<none>"}));
    // Blank lines and colons before a name are skipped when the line end separates.
    EXPECT_EQ(fields_of("\n\n:name: x", ":\n", Dialect::Main), (Fields{"name", " x"}));
}

TEST(ReadField, OlderDialect) {
    EXPECT_EQ(fields_of("5.1 3.5  yes\n", ",\t ", Dialect::Solmet), (Fields{"5.1", "3.5", "yes", "<none>", "<none>"}));
    // Carriage returns are ordinary characters; trailing spaces stay.
    EXPECT_EQ(fields_of("a\r\n", ",\t", Dialect::Solmet), (Fields{"a\r", "<none>", "<none>"}));
    EXPECT_EQ(fields_of("name :x", ":\n", Dialect::Solmet), (Fields{"name ", "x"}));
    // A comment also where a name is expected.
    EXPECT_EQ(fields_of("| c: x\nn: y", ":\n", Dialect::Solmet), (Fields{"<none>", "n", " y"}));
    EXPECT_EQ(fields_of("| c: x\n", ":\n", Dialect::Main), (Fields{"| c", " x", "<none>"}));
}

TEST(ReadLine, TrimsFieldsAndStopsAtLineEnd) {
    TextStream stream = text_stream("\nred ,\t light blue. , green.\nnext\n");
    EXPECT_TRUE(ReadLine(stream.get(), ",\t", Dialect::Main).empty());
    EXPECT_EQ(ReadLine(stream.get(), ",\t", Dialect::Main), (Fields{"red", "light blue", "green"}));
    EXPECT_EQ(ReadLine(stream.get(), ",\t", Dialect::Main), (Fields{"next"}));
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
        "play: yes, no.\n");
    ASSERT_TRUE(domain);
    EXPECT_EQ(domain->nr_attributes, 9);
    const std::vector<int> types{NOMINAL, CONTINUOUS, ORDERED, INTEGER, NOMINAL, NOMINAL, NOMINAL, DATE, NOMINAL};
    for (size_t a = 1; a <= types.size(); ++a) EXPECT_EQ(domain->attributes[a].type, types[a - 1]) << a;
    EXPECT_EQ(domain->attributes[3].nr_values(), 4);
    EXPECT_EQ(IdValLbl(*domain, 3, "small"), 2);
    EXPECT_EQ(IdValLbl(*domain, 1, "rain"), 3);
    EXPECT_EQ(IdValLbl(*domain, 1, "Rain"), 0);
    EXPECT_EQ(IdValLbl(*domain, 2, "continuous"), 0);
    EXPECT_EQ(LblValId(*domain, 9, 2), "no");
    EXPECT_EQ(domain->name, base());
    EXPECT_EQ(NR_IGNORES, 0);
}

TEST_F(DomainFiles, LabelsWithSpacesDependOnDialect) {
    const auto main = read("colour: red, light blue, green.\nk: a, b\n");
    ASSERT_TRUE(main);
    EXPECT_EQ(main->attributes[1].values, (Fields{"", "red", "light blue", "green"}));
    const auto older = read("colour: red, light blue, green.\nk: a, b\n", Dialect::Solmet);
    ASSERT_TRUE(older);
    EXPECT_EQ(older->attributes[1].values, (Fields{"", "red", "light", "blue", "green"}));
}

TEST_F(DomainFiles, IgnoredAttributesAreCounted) {
    Captured captured = capture_output([&] {
        const auto domain = read("a: ignore\nb: ignore, x, y\nc: whatever\nd: continuous\nk: p, q\n");
        ASSERT_TRUE(domain);
        EXPECT_EQ(domain->attributes[1].type, IGNORE);
        EXPECT_EQ(domain->attributes[2].type, IGNORE);
        EXPECT_EQ(domain->attributes[2].nr_values(), 0);
        EXPECT_EQ(domain->attributes[3].type, IGNORE);
        EXPECT_EQ(NR_IGNORES, 3);
    });
    EXPECT_EQ(captured.err, "");
    // The older dialect reports the unrecognised single word, and knows no "date".
    captured = capture_output([&] {
        const auto domain = read("c: whatever\nd: date\ns: [ordered], lo, hi\nh: 0.5, 1.5\nk: p, q\n", Dialect::Solmet);
        ASSERT_TRUE(domain);
        EXPECT_EQ(domain->attributes[2].type, IGNORE);
        EXPECT_EQ(domain->attributes[3].type, NOMINAL);
        EXPECT_EQ(domain->attributes[4].type, INTEGER);
        EXPECT_EQ(NR_IGNORES, 2);
    });
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

TEST_F(DomainFiles, NamelessDeclarationIsSkipped) {
    const auto domain = read("\t: a, b\nx: continuous\nk: p, q\n");
    ASSERT_TRUE(domain);
    // The value list of the nameless line is read as a name without a colon, and dropped.
    EXPECT_EQ(domain->nr_attributes, 2);
    EXPECT_EQ(domain->attributes[1].name, "x");
}

TEST(RemoveIgnoreTest, KeepsOrderAndClass) {
    Domain domain;
    domain.name = "d";
    domain.attributes.resize(5);
    const char* names[] = {"", "a", "b", "c", "k"};
    const int types[] = {0, NOMINAL, IGNORE, CONTINUOUS, NOMINAL};
    for (int i = 1; i <= 4; ++i) domain.attributes[static_cast<size_t>(i)] = Attribute{names[i], types[i], {}};
    domain.nr_attributes = 3;
    const Domain reduced = RemoveIgnore(domain);
    EXPECT_EQ(reduced.nr_attributes, 2);
    ASSERT_EQ(reduced.attributes.size(), 4u);
    EXPECT_EQ(reduced.attributes[1].name, "a");
    EXPECT_EQ(reduced.attributes[2].name, "c");
    EXPECT_EQ(reduced.attributes[3].name, "k");
    EXPECT_EQ(domain.nr_attributes, 3);
}

TEST_F(DomainFiles, Display) {
    auto domain = read("n: [ordered], lo, hi\nx: continuous\ni: ignore\nk: a, b\n");
    ASSERT_TRUE(domain);
    domain->nr_attributes -= 1;
    domain->name = "d";
    const Captured captured = capture_output([&] { ShowDomain(*domain); });
    EXPECT_EQ(captured.out,
              "\nPROBLEM NAME :: d\nNR.ATTRIBUTES :: 3\n\n"
              "Attribute n.1 : n\n\tType : ordered\n\tNr.Different Values : 3\n\tValues :: [ordered], lo, hi\n\n"
              "Attribute n.2 : x\n\tType : continuous\n\n"
              "Attribute n.3 : i\n\tType : \n"
              "Attribute n.4 : k\n\tType : nominal\n\tNr.Different Values : 2\n\tValues :: a, b\n\n");
}

TEST(MatrixDisplay, HeaderRowsAndEmptyRange) {
    IMatrix m(1, 2, 1, 2);
    m.at(1, 1) = 5;
    m.at(1, 2) = 1;
    m.at(2, 2) = 4;
    EXPECT_EQ(capture_output([&] { ShowIMatrix(m, 1, 2, 1, 2); }).out, "\t[1]\t[2]\n[1]\t5\t1\n[2]\t0\t4\n");
    EXPECT_EQ(capture_output([&] { ShowIMatrix(m, 1, 0, 1, 2); }).out, "\t[1]\t[2]\n");
}

}  // namespace
