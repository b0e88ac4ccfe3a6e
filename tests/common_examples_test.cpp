// The example reader and the example storage.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "Ci_instances.h"
#include "distributions.h"
#include "support/binary_writer.h"
#include "support/capture.h"
#include "support/domains.h"
#include "utils.h"

namespace {

// Domains as the drivers hold them: nr_attributes without the class, which comes last;
// labels from entry 1.
const Domain kWeather{"data",
                      2,
                      {{},
                       {"outlook", NOMINAL, {"", "sunny", "overcast", "rain"}},
                       {"humidity", CONTINUOUS, {}},
                       {"class", NOMINAL, {"", "yes", "no"}}}};

// The examples of `text`, read through blocks of `block_size` bytes.
CiDataset read_examples(const std::string& text, const Domain& domain, Dialect dialect = Dialect::Main,
                        size_t block_size = TextReader::DEFAULT_BLOCK_SIZE) {
    TextStream file = text_stream(text);
    TextReader stream(file.get(), block_size);
    return ReadCiDataset(stream, domain, dialect);
}

// Each accepted example as "number class: values", a value as K<value>, U or D.
std::string describe(const CiDataset& dataset) {
    std::string text;
    for (int i = 1; i <= dataset.nr_instances; ++i) {
        const Instance& instance = dataset.instances[static_cast<size_t>(i)];
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%g %d:", instance.values[0].value, instance.class_value);
        text += buffer;
        for (size_t v = 1; v < instance.values.size(); ++v) {
            const AttVal& value = instance.values[v];
            if (value.status != STATUS_KNOWN && value.value != UNKNOWN_VALUE) text += " bad-marker";
            std::snprintf(buffer, sizeof buffer, " K%.10g", value.value);
            text += value.status == STATUS_UNKNOWN ? " U" : value.status == STATUS_DONTCARE ? " D" : buffer;
        }
        text += "\n";
    }
    return text;
}

// Each file is also read in blocks of a few bytes, so that fields, line ends and the end
// of the file (without a line end in the first) also meet the end of a block.
TEST(ExampleReader, ValuesMessagesAndRejectedLines) {
    const struct {
        Domain domain;
        Dialect dialect;
        std::string text, err, examples;
    } cases[] = {
        {kWeather, Dialect::Main,
         "sunny, 85.5, no\n?,70,yes\r\n*, nan, yes\n"
         "\n| comment line\n"
         "sunny, 80, maybe\n"  // unknown class: dropped
         "cloudy, 75, yes\n"   // unknown label: kept as unknown
         "rain\n"              // too few fields
         "rain, 60\n"          // no class field: dropped, the next line is its own
         "overcast, 61, no",
         "ReadAttVal: Instance 4 (Line 4) Invalid Classe value: maybe\n"
         "ReadAttVal: Instance 4 (Line 4) Invalid attribute ( 1 )value: 'cloudy'\n"
         "ReadAttVal: Instance 5 (Line 5) Invalid number of attributes: 2\n"
         "ReadAttVal: Instance 5 (Line 6) Invalid Classe value: \n",
         "1 2: K1 K85.5\n2 1: U K70\n3 1: D U\n4 1: U K75\n5 2: K2 K61\n"},
        // Until an example is kept, every line restarts the counter.
        {kWeather, Dialect::Main, "rain, 1, maybe\nmist, 2, yes\n",
         "ReadAttVal: Instance 1 (Line 1) Invalid Classe value: maybe\n"
         "ReadAttVal: Instance 1 (Line 0) Invalid attribute ( 1 )value: 'mist'\n",
         "1 1: U K2\n"},
        // A field missing at the ignored position still counts as missing.
        {kIntegerDateAndIgnored, Dialect::Main, "20\n20, anything, 19991231, 1.5, a\n7, ?, 4294967297, 2, b\n",
         "ReadAttVal: Instance 1 (Line 0) Invalid number of attributes: 2\n"
         "ReadAttVal: Instance 2 (Line 1) Invalid attribute ( 1 )value:'7'\n",
         "1 1: K20 K19991231 K1.5\n2 2: K7 K1 K2\n"},
        // The older dialect counts calls: line 1 (0), its pushed-back line end (1), the
        // blank line (2), line 3 (3), its line end (4), line 4 (5), line 5 (6); the messages
        // show the count before each call, and the carriage return stays in the class.
        {kWeather, Dialect::Solmet, "sunny 80 maybe\n\ncloudy 75 yes\nrain\nrain 60 no\r\n",
         "ReadAttVal: Instance 1 (Line 0) Invalid Classe value: maybe\n"
         "ReadAttVal: Instance 1 (Line 3) Invalid attribute ( 1 )value: cloudy\n"
         "ReadAttVal: Instance 2 (Line 5) Invalid number of attributes\n"
         "ReadAttVal: Instance 2 (Line 6) Invalid Classe value: no\r\n",
         "1 1: U K75\n"},
        {Domain{"data", 0, {{}, {"class", NOMINAL, {"", "a", "b"}}}}, Dialect::Main, "a\n\n| note\nb\nc\n",
         "ReadAttVal: Instance 3 (Line 3) Invalid Classe value: c\n", "1 1:\n2 2:\n"},
    };
    for (const auto& c : cases) {
        for (const size_t block_size : {TextReader::DEFAULT_BLOCK_SIZE, size_t{1}, size_t{4}, size_t{7}}) {
            SCOPED_TRACE(c.text + " in blocks of " + std::to_string(block_size));
            CiDataset data;
            const Captured captured =
                capture_output([&] { data = read_examples(c.text, c.domain, c.dialect, block_size); });
            EXPECT_EQ(captured.out, "Reading examples.\n");
            EXPECT_EQ(captured.err, c.err);
            EXPECT_EQ(describe(data), c.examples);
        }
    }
}

// `count` weather examples: rain or sunny, the humidity counting from 0, class yes.
std::string weather_lines(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines += (i % 3 == 0 ? "rain," : "sunny,") + std::to_string(i) + ",yes\n";
    return lines;
}

// The reader prints a dot for each block of 10000 examples it starts, and starts one more
// only after a full one. 25000 examples fill blocks of values of 64, 128, ..., 8192 examples
// (16320 in all) and one of 10000, and the first chunk of examples grows, moving them, until
// it holds 10000. Room reserved for derived values keeps every value, and growing into it
// takes no storage of its own; shrinking and growing again gives known zeros; growing past
// the room moves an example's values to storage of its own.
TEST(ExampleStorage, BlocksReservedRoomAndGrowth) {
    for (const auto& [count, progress] : {std::pair(9999, "Reading examples.\n"), {19999, "Reading examples..\n"}}) {
        const std::string lines = weather_lines(count);
        EXPECT_EQ(capture_output([&] { read_examples(lines, kWeather); }).out, progress) << count;
    }
    CiDataset data;
    EXPECT_EQ(capture_output([&] { data = read_examples(weather_lines(25000), kWeather); }).out,
              "Reading examples...\n");
    ASSERT_EQ(data.nr_instances, 25000);
    const std::string before = describe(data);
    EXPECT_TRUE(Ci_ReserveRoom(data, 3));
    EXPECT_EQ(describe(data), before);
    for (const int i : {1, 64, 65, 10000, 10001, 16320, 16321, 25000}) {
        Instance& instance = data.instances[static_cast<size_t>(i)];
        const AttVal* storage = instance.values.begin();
        ASSERT_EQ(Ci_ReBuildInstance(instance, 6), 1);
        instance.values[5].value = 0.5;
        EXPECT_EQ(std::tuple(instance.nr_attributes, instance.values.begin(), instance.values.owns_storage()),
                  std::tuple(5, storage, false));
        ASSERT_EQ(Ci_ReBuildInstance(instance, 4), 1);
        ASSERT_EQ(Ci_ReBuildInstance(instance, 6), 1);
        EXPECT_EQ(std::tuple(instance.values[5].status, instance.values[5].value), std::tuple(STATUS_KNOWN, 0.0));
        ASSERT_EQ(Ci_ReBuildInstance(instance, 7), 1);
        // The number, the humidity and the new position, in storage of the example's own.
        EXPECT_EQ(std::tuple(instance.values.owns_storage(), instance.values[0].value, instance.values[2].value,
                             instance.values[6].value),
                  std::tuple(true, i, i - 1, 0.0));
    }
    EXPECT_EQ(Ci_ReBuildInstance(data.instances[1], 0), 0);
}

}  // namespace
