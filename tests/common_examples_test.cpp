// The example reader, the example display, the class statistics and the binary reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Ci_instances.h"
#include "distributions.h"
#include "support/binary_writer.h"
#include "support/capture.h"
#include "support/run_program.h"
#include "utils.h"

namespace {

Attribute attribute(const std::string& name, int type, std::vector<std::string> labels = {}) {
    Attribute a{name, type, {}};
    if (!labels.empty()) {
        a.values.push_back("");
        a.values.insert(a.values.end(), labels.begin(), labels.end());
    }
    return a;
}

// A domain as the drivers hold it: nr_attributes without the class, which comes last.
Domain make_domain(std::vector<Attribute> attributes, std::vector<std::string> classes) {
    Domain d;
    d.name = "data";
    d.attributes.push_back(Attribute{});
    for (Attribute& a : attributes) d.attributes.push_back(std::move(a));
    d.nr_attributes = static_cast<int>(d.attributes.size()) - 1;
    d.attributes.push_back(attribute("class", NOMINAL, std::move(classes)));
    return d;
}

Domain weather() {
    return make_domain({attribute("outlook", NOMINAL, {"sunny", "overcast", "rain"}), attribute("humidity", CONTINUOUS)},
                       {"yes", "no"});
}

struct ReadResult {
    CiDataset dataset;
    Captured captured;
};

ReadResult read_examples(const std::string& text, const Domain& domain, Dialect dialect = Dialect::Main) {
    ReadResult result;
    result.captured = capture_output([&] {
        TextStream stream = text_stream(text);
        result.dataset = ReadCiDataset(stream.get(), domain, dialect);
    });
    return result;
}

TEST(ExampleReader, ValuesUnknownsAndClasses) {
    const ReadResult r = read_examples("sunny, 85.5, no\n?,70,yes\r\n*, nan, yes\n", weather());
    EXPECT_EQ(r.captured.out, "Reading examples.\n");
    EXPECT_EQ(r.captured.err, "");
    ASSERT_EQ(r.dataset.nr_instances, 3);
    const Instance& first = r.dataset.instances[1];
    EXPECT_EQ(first.class_value, 2);
    EXPECT_EQ(first.nr_attributes, 2);
    EXPECT_EQ(first.weight, 1.0);
    EXPECT_EQ(first.values[0].value, 1.0);
    EXPECT_EQ(first.values[1].status, STATUS_KNOWN);
    EXPECT_EQ(first.values[1].value, 1.0);
    EXPECT_EQ(first.values[2].value, 85.5);
    const Instance& second = r.dataset.instances[2];
    EXPECT_EQ(second.class_value, 1);
    EXPECT_EQ(second.values[1].status, STATUS_UNKNOWN);
    EXPECT_EQ(second.values[1].value, -3.4028234663852886e38);
    EXPECT_EQ(second.values[2].value, 70.0);
    const Instance& third = r.dataset.instances[3];
    EXPECT_EQ(third.values[1].status, STATUS_DONTCARE);
    EXPECT_EQ(third.values[1].value, -3.4028234663852886e38);
    EXPECT_EQ(third.values[2].status, STATUS_UNKNOWN);  // "nan" is no number
    EXPECT_EQ(third.values[0].value, 3.0);
}

TEST(ExampleReader, RejectedLinesAndMessages) {
    const ReadResult r = read_examples(
        "\n| comment line\n"
        "sunny, 80, maybe\n"      // unknown class: dropped; the counter restarts until one is kept
        "cloudy, 75, yes\n"       // unknown label: kept as unknown
        "rain\n"                  // too few fields
        "rain, 60\n"              // no class field: dropped, the next line is its own
        "overcast, 61, no",       // no line end at the end of the file
        weather());
    EXPECT_EQ(r.captured.err,
              "ReadAttVal: Instance 1 (Line 1) Invalid Classe value: maybe\n"
              "ReadAttVal: Instance 1 (Line 0) Invalid attribute ( 1 )value: 'cloudy'\n"
              "ReadAttVal: Instance 2 (Line 1) Invalid number of attributes: 2\n"
              "ReadAttVal: Instance 2 (Line 2) Invalid Classe value: \n");
    ASSERT_EQ(r.dataset.nr_instances, 2);
    EXPECT_EQ(r.dataset.instances[1].values[1].status, STATUS_UNKNOWN);
    EXPECT_EQ(r.dataset.instances[1].class_value, 1);
    EXPECT_EQ(r.dataset.instances[2].values[1].value, 2.0);
    EXPECT_EQ(r.dataset.instances[2].values[0].value, 2.0);
}

TEST(ExampleReader, IntegerDateAndIgnoredAttributes) {
    const Domain domain = make_domain({attribute("n", INTEGER, {"10", "20", "30"}), attribute("skip", IGNORE),
                                       attribute("when", DATE), attribute("x", CONTINUOUS)},
                                      {"a", "b"});
    const ReadResult r = read_examples("20, anything, 19991231, 1.5, a\n7, x, 4294967297, 2, b\n", domain);
    EXPECT_EQ(r.captured.err, "ReadAttVal: Instance 2 (Line 1) Invalid attribute ( 1 )value:'7'\n");
    ASSERT_EQ(r.dataset.nr_instances, 2);
    EXPECT_EQ(r.dataset.domain.nr_attributes, 3);
    EXPECT_EQ(r.dataset.domain.attributes[2].name, "when");
    EXPECT_EQ(r.dataset.domain.attributes[4].name, "class");
    const Instance& first = r.dataset.instances[1];
    EXPECT_EQ(first.nr_attributes, 3);
    ASSERT_EQ(first.values.size(), 4u);
    EXPECT_EQ(first.values[1].value, 20.0);
    EXPECT_EQ(first.values[2].value, 19991231.0);
    EXPECT_EQ(first.values[3].value, 1.5);
    EXPECT_EQ(r.dataset.instances[2].values[1].status, STATUS_KNOWN);
    EXPECT_EQ(r.dataset.instances[2].values[1].value, 7.0);
    EXPECT_EQ(r.dataset.instances[2].values[2].value, 1.0);  // low 32 bits
}

TEST(ExampleReader, OlderDialectCountsEveryCall) {
    const ReadResult r = read_examples("sunny 80 maybe\n\ncloudy 75 yes\nrain\nrain 60 no\r\n", weather(), Dialect::Solmet);
    // Calls: line 1 (0), its pushed-back line end (1), the blank line (2), line 3 (3), its
    // line end (4), line 4 (5), line 5 (6): the messages show the count before each call.
    EXPECT_EQ(r.captured.err,
              "ReadAttVal: Instance 1 (Line 0) Invalid Classe value: maybe\n"
              "ReadAttVal: Instance 1 (Line 3) Invalid attribute ( 1 )value: cloudy\n"
              "ReadAttVal: Instance 2 (Line 5) Invalid number of attributes\n"
              "ReadAttVal: Instance 2 (Line 6) Invalid Classe value: no\r\n");
    EXPECT_EQ(r.dataset.nr_instances, 1);
}

TEST(ExampleReader, DomainWithoutAttributes) {
    const Domain domain = make_domain({}, {"a", "b"});
    const ReadResult r = read_examples("a\n\n| note\nb\nc\n", domain);
    EXPECT_EQ(r.captured.err, "ReadAttVal: Instance 3 (Line 3) Invalid Classe value: c\n");
    ASSERT_EQ(r.dataset.nr_instances, 2);
    EXPECT_EQ(r.dataset.instances[2].class_value, 2);
    EXPECT_EQ(r.dataset.instances[2].values.size(), 1u);
}

TEST(ExampleReader, ProgressDots) {
    EXPECT_EQ(read_examples("", weather()).captured.out, "Reading examples.\n");
    std::string lines;
    for (int i = 0; i < 25000; ++i) lines += "rain,1,yes\n";
    const ReadResult r = read_examples(lines, weather());
    EXPECT_EQ(r.captured.out, "Reading examples...\n");
    EXPECT_EQ(r.dataset.nr_instances, 25000);
}

TEST(ExampleReader, ReadErrorEndsReading) {
    TempDir dir;
    std::FILE* folder = std::fopen(dir.path().c_str(), "r");
    ASSERT_NE(folder, nullptr);
    CiDataset dataset;
    const Captured captured = capture_output([&] { dataset = ReadCiDataset(folder, weather(), Dialect::Main); });
    std::fclose(folder);
    EXPECT_EQ(dataset.nr_instances, 0);
    EXPECT_EQ(captured.out, "Reading examples.\n");
}

TEST(Instances, RebuildAndDisplay) {
    const Domain domain = make_domain({attribute("o", ORDERED, {"[ordered]", "lo", "hi"}), attribute("n", INTEGER, {"1", "2"}),
                                       attribute("x", CONTINUOUS), attribute("d", DATE)},
                                      {"a", "b"});
    ReadResult r = read_examples("hi, 2, 3.14159, 20240101, b\n?, 1, -2, 5, a\n", domain);
    ASSERT_EQ(r.dataset.nr_instances, 2);
    Instance& first = r.dataset.instances[1];
    EXPECT_EQ(Ci_ReBuildInstance(first, first.nr_attributes + 3), 1);
    EXPECT_EQ(first.nr_attributes, 6);
    EXPECT_EQ(first.values[6].status, STATUS_KNOWN);
    EXPECT_EQ(first.values[6].value, 0.0);
    first.values[5].value = 0.25;
    const Captured captured = capture_output([&] { Show_CiInstances(r.dataset, 1, 99); });
    EXPECT_EQ(captured.out,
              "\nId\tNr.Att\tWeight\tCl\n"
              "1\t6\t1.000\t2\thi\t2\t 3.142\t20240101\t 0.250\t 0.000\t\n"
              "2\t4\t1.000\t1\t?\t1\t-2.000\t5\t\n");
    EXPECT_EQ(capture_output([&] { ShowCiInstance(domain, first.values, 0); }).out, "\n");
}

// ---- Class statistics ------------------------------------------------------------------------

class StatsFile : public ::testing::Test {
protected:
    std::optional<ClassStats> read(const std::string& bytes, const Domain& domain, int nr_attributes,
                                   uint64_t* left = nullptr) {
        dir.write("s.bin", bytes);
        std::optional<BinaryReader> reader = BinaryReader::open(dir.file("s.bin").string());
        EXPECT_TRUE(reader);
        std::optional<ClassStats> stats = read_stats(*reader, domain, nr_attributes);
        if (left != nullptr) *left = reader->bytes_left();
        return stats;
    }
    TempDir dir;
};

TEST_F(StatsFile, LayoutByPositionType) {
    // One nominal attribute of 3 labels (120 bytes for 2 classes), one ignored, one
    // continuous (96 bytes), then a derived position (96 bytes).
    const Domain domain = make_domain(
        {attribute("n", NOMINAL, {"a", "b", "c"}), attribute("i", IGNORE), attribute("x", CONTINUOUS)}, {"p", "q"});
    BinaryWriter out;
    for (int r = 0; r < 3; ++r) out.f64s({0.5, 1.0 + r, 2.0, 3.0, 1.5});
    for (int r = 0; r < 3; ++r) out.f64s({0.0, 10.0 + r, -1.0, 20.0});
    for (int r = 0; r < 3; ++r) out.f64s({0.0, 0.5, 0.0, 1.0});
    out.raw("tail");
    ASSERT_EQ(out.bytes.size(), 120u + 96u + 96u + 4u);
    uint64_t left = 0;
    const auto stats = read(out.bytes, domain, 4, &left);
    ASSERT_TRUE(stats);
    EXPECT_EQ(left, 4u);
    EXPECT_EQ(stats->nr_attributes(), 4);
    EXPECT_EQ(stats->tables[1]->at(2, 1), 3.0);
    EXPECT_EQ(stats->tables[1]->at(0, 4), 1.5);
    EXPECT_FALSE(stats->tables[2]);
    EXPECT_EQ(stats->tables[3]->at(1, MEAN), 11.0);
    EXPECT_EQ(stats->tables[3]->at(2, MAX), 20.0);
    EXPECT_EQ(stats->tables[3]->at(2, SDEV), 0.0);
    EXPECT_EQ(stats->tables[4]->at(0, MAX), 1.0);
}

TEST_F(StatsFile, EmptyRecordsShortFilesAndHugeCounts) {
    const Domain domain = make_domain({attribute("x", CONTINUOUS)}, {"p", "q"});
    const auto none = read("", domain, 0);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->nr_attributes(), 0);
    const std::string full = BinaryWriter().f64s(std::vector<double>(12, 1.0)).bytes;
    for (size_t cut = 0; cut < full.size(); ++cut) EXPECT_FALSE(read(full.substr(0, cut), domain, 1)) << cut;
    EXPECT_TRUE(read(full, domain, 1));
    uint64_t left = 99;
    EXPECT_FALSE(read(full, domain, 2147483647, &left));
    EXPECT_EQ(left, 0u);
    EXPECT_FALSE(read(full, domain, -1));
}

TEST(StatsInit, MinAndMaxStartAtTheExtremes) {
    const Domain domain = make_domain({attribute("x", CONTINUOUS), attribute("d", DATE)}, {"p"});
    const ClassStats stats = init_stat(domain, 1, 2);
    EXPECT_EQ(stats.tables[1]->at(1, MIN), 3.4028234663852886e38);
    EXPECT_EQ(stats.tables[1]->at(0, MAX), -3.4028234663852886e38);
    EXPECT_FALSE(stats.tables[2]);
}

TEST(BinaryReaderTest, BigEndianFieldsAndShortReads) {
    TempDir dir;
    dir.write("b.bin", BinaryWriter().i32(-2).i16(-3).f64(0.1).i32(7).bytes.substr(0, 16));
    auto reader = BinaryReader::open(dir.file("b.bin").string());
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->read_i32(), -2);
    EXPECT_EQ(reader->read_i16(), -3);
    EXPECT_EQ(reader->read_f64(), 0.1);
    EXPECT_EQ(reader->bytes_left(), 2u);
    EXPECT_FALSE(reader->fits(1, 4));
    EXPECT_EQ(reader->bytes_left(), 0u);
    EXPECT_FALSE(reader->read_i16());
    EXPECT_FALSE(BinaryReader::open(dir.file("missing").string()));
    // A folder opens but reads nothing.
    auto folder = BinaryReader::open(dir.path().string());
    ASSERT_TRUE(folder);
    EXPECT_FALSE(folder->read_i32());
}

}  // namespace
