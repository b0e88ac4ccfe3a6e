// Whole runs of the built Dravik: standard output (date and time masked), standard
// error, the predictions file and the exit status, worked out by hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/run_program.h"
#include "support/tree_writer.h"

namespace {

const std::string PROGRAM = DRAVIK_PROGRAM;

const std::string WEATHER_DOMAIN =
    "outlook: sunny, overcast, rain\n"
    "humidity: continuous\n"
    "play: yes, no\n";

const std::string WEATHER_TEST =
    "sunny,70,yes\n"
    "sunny,90,no\n"
    "overcast,85,yes\n"
    "rain,75,no\n"
    "?,80,no\n"
    "sunny,82,yes\n";

// outlook = sunny: humidity <= 80 in the band [75, 85]: yes / no
// outlook = overcast: mostly yes; outlook = rain: mostly no.
TreeFile weather_tree() {
    NodeFields humidity = leaf_data({0.6, 0.4}, 5);
    humidity.attribute = 2;
    humidity.cut = 80;
    humidity.lower = 75;
    humidity.upper = 85;
    NodeFields outlook = leaf_data({0.5, 0.5}, 14);
    outlook.attribute = 1;
    NodeFields overcast = leaf_data({0.75, 0.25});
    overcast.class_counts = {4, 3, 1};
    NodeFields rain = leaf_data({0.2, 0.8});
    rain.class_counts = {5, 1, 4};

    TreeFile file;
    file.leaf(4, leaf_data({1, 0}, 3)).leaf(5, leaf_data({0, 1}, 2)).binary(2, humidity);
    file.leaf(3, overcast).leaf(6, rain).multiway(1, 3, outlook);
    return file;
}

struct DataSet {
    TempDir dir;

    DataSet(const std::string& domain, const std::string& test, const std::string& tree) {
        dir.write("weather.domain", domain);
        dir.write("weather.test", test);
        dir.write("weather.tree", tree);
    }
    DataSet() : DataSet(WEATHER_DOMAIN, WEATHER_TEST, weather_tree().bytes) {}

    RunResult run(const std::vector<std::string>& args) const {
        RunResult result = run_program(PROGRAM, args, dir.path());
        result.out = mask_run_output(result.out);
        return result;
    }
};

const std::string BANNER = "\nBrenx - Unseens Version 5.3  <DATE>\n\n";
const std::string DOMAIN_LINE = "Read domain file: weather.domain (2 Attributes 2 Classes)\n";
const std::string READING = "Reading examples.\n";
const std::string ERROR_LINE = "Error rate on test set 0.166667 (1 / 6) (Nodes: 6, Leaves: 4, Depth: 3 )\n";
const std::string TEST_TIME = "\nBrenx Test Time: <TIME> (sec)\n";
const std::string TREE_HEADER = "Decision Tree:\n(Nodes: 6, Leaves: 4, Depth: 3 )\n";
const std::string CONFUSION = "Confusion Matrix:\n\t[1]\t[2]\n[1]\t2\t0\n[2]\t1\t3\n";

// The outline of the weather tree; `counters` end the four leaf lines in display order.
std::string weather_outline(const std::vector<std::string>& counters = {"", "", "", ""}) {
    std::string out = "[1]outlook = sunny\n|\t[2]humidity <= 80.000000 [75.000000 85.000000]\n";
    out += "|\t|\tyes (3.00/3.00) [ 1.000 0.000 ] (0)" + counters[0] + "\n";
    out += "|\t[2]humidity > 80.000000\n";
    out += "|\t|\tno (2.00/2.00) [ 0.000 1.000 ] (0)" + counters[1] + "\n";
    out += "[1]outlook = overcast\n";
    out += "|\tyes (4.00/3.00) [ 0.750 0.250 ] (0)" + counters[2] + "\n";
    out += "[1]outlook = rain\n";
    out += "|\tno (5.00/4.00) [ 0.200 0.800 ] (0)" + counters[3] + "\n";
    return out;
}

const std::string EXAMPLE_LINES =
    "Example 1 Observed yes Classified yes \t[ 1.000 0.000 ]\n"
    "Example 2 Observed no Classified no \t[ 0.000 1.000 ]\n"
    "Example 3 Observed yes Classified yes \t[ 0.750 0.250 ]\n"
    "Example 4 Observed no Classified no \t[ 0.200 0.800 ]\n"
    "Example 5 Observed no Classified no \t[ 0.483 0.517 ]\n"
    "Example 6 Observed yes Classified no \t[ 0.300 0.700 ]\n";

}  // namespace

TEST(DravikRun, WithoutADataSetOnlyTheUsageLine) {
    const DataSet set;
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"-K", "3", "-v", "4"}}) {
        const RunResult r = set.run(args);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "\nUse:" + PROGRAM + " -f dataset [-v Verbose][-p prediction path](Version 5.3)\n");
        EXPECT_EQ(r.status, 0);
    }
}

TEST(DravikRun, DefaultVerbosityReportsTheErrorLineOnly) {
    const DataSet set;
    const RunResult r = set.run({"-f", "weather"});
    EXPECT_EQ(r.out, BANNER + DOMAIN_LINE + READING + ERROR_LINE + TEST_TIME);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(set.dir.read("weather.pred"), "yes\nno\nyes\nno\nno\nno\n");
}

TEST(DravikRun, BadOptionsAreReportedAndTheRunGoesOn) {
    const DataSet set;
    const RunResult r = set.run({"-x", "stray", "-f", "weather", "-v", "abc", "-t"});
    EXPECT_EQ(r.out, BANNER + DOMAIN_LINE + READING + ERROR_LINE + TEST_TIME);
    EXPECT_EQ(r.err, "Invalid Option\nInvalid Option\nInvalid Option\n");
}

TEST(DravikRun, VerbosityTwoAddsTheConfusionMatrixAndThreeTheExamples) {
    const DataSet set;
    RunResult r = set.run({"-f", "weather", "-v", "2", "-p", "out.txt"});
    EXPECT_EQ(r.out, BANNER + DOMAIN_LINE + READING + CONFUSION + ERROR_LINE + TEST_TIME);
    EXPECT_EQ(set.dir.read("out.txt"), "yes\nno\nyes\nno\nno\nno\n");
    EXPECT_FALSE(set.dir.exists("weather.pred"));

    r = set.run({"-f", "weather", "-v", "3"});
    EXPECT_EQ(r.out, BANNER + DOMAIN_LINE + READING + EXAMPLE_LINES + CONFUSION + ERROR_LINE + TEST_TIME);
}

TEST(DravikRun, VerbosityFourShowsTheTreeAndTraceShowsItAgainWithCounters) {
    const DataSet set;
    // 65540 keeps its low 16 bits: 4.
    RunResult r = set.run({"-v65540", "-f", "weather"});
    EXPECT_EQ(r.out, BANNER + DOMAIN_LINE + READING + "Reading 6 Examples from File weather.test\n" + TREE_HEADER +
                         weather_outline() + EXAMPLE_LINES + CONFUSION + ERROR_LINE + TEST_TIME);

    r = set.run({"-f", "weather", "-t", "1"});
    EXPECT_EQ(r.out,
              BANNER + DOMAIN_LINE + READING +
                  "Classify: Value 80.000000 in limits [75.000000 (0.500000) 85.000000 (0.500000)]\n"
                  "Classify: Value 82.000000 in limits [75.000000 (0.300000) 85.000000 (0.700000)]\n" +
                  ERROR_LINE + TEST_TIME + TREE_HEADER +
                  weather_outline({"[Errors: 1 in 3]", "[Errors: 1 in 3]", "[Errors: 1 in 2]", "[Errors: 0 in 2]"}));

    // A trace level of 65536 keeps none of its bits.
    r = set.run({"-f", "weather", "-t", "65536"});
    EXPECT_EQ(r.out, BANNER + DOMAIN_LINE + READING + ERROR_LINE + TEST_TIME);
}

TEST(DravikRun, VerbosityFiveListsTheExamples) {
    const DataSet set;
    const RunResult r = set.run({"-f", "weather", "-v", "5"});
    const std::string listing =
        "\nId\tNr.Att\tWeight\tCl\n"
        "1\t2\t1.000\t1\tsunny\t70.000\t\n"
        "2\t2\t1.000\t2\tsunny\t90.000\t\n"
        "3\t2\t1.000\t1\tovercast\t85.000\t\n"
        "4\t2\t1.000\t2\train\t75.000\t\n"
        "5\t2\t1.000\t2\t?\t80.000\t\n"
        "6\t2\t1.000\t1\tsunny\t82.000\t\n";
    EXPECT_EQ(r.out, BANNER + DOMAIN_LINE + READING + "Reading 6 Examples from File weather.test\n" + listing +
                         TREE_HEADER + weather_outline() + EXAMPLE_LINES + CONFUSION + ERROR_LINE + TEST_TIME);
}

TEST(DravikRun, TreeNamesAttributesWithoutTheIgnoredOnes) {
    const DataSet set("id: ignore\n" + WEATHER_DOMAIN,
                      "1,sunny,70,yes\n2,sunny,90,no\n3,overcast,85,yes\n4,rain,75,no\n5,?,80,no\n6,sunny,82,yes\n",
                      weather_tree().bytes);
    const RunResult r = set.run({"-f", "weather", "-v", "4"});
    EXPECT_EQ(r.out, BANNER + "Read domain file: weather.domain (3 Attributes 2 Classes)\n" + READING +
                         "Reading 6 Examples from File weather.test\n" + TREE_HEADER + weather_outline() +
                         EXAMPLE_LINES + CONFUSION + ERROR_LINE + TEST_TIME);
    EXPECT_EQ(r.err, "");
}

TEST(DravikRun, MissingFilesStopTheRunWithStatusZero) {
    DataSet set;
    std::filesystem::remove(set.dir.file("weather.tree"));
    RunResult r = set.run({"-f", "weather"});
    EXPECT_EQ(r.out, BANNER + DOMAIN_LINE + READING);
    EXPECT_EQ(r.err, "Can not open file weather.tree\nFile weather.tree Not Found!\n");
    EXPECT_EQ(r.status, 0);

    set.dir.write("weather.tree", "Brenx\n");
    r = set.run({"-f", "weather"});
    EXPECT_EQ(r.err, "Invalid tree file\nFile weather.tree Not Found!\n");

    std::filesystem::remove(set.dir.file("weather.test"));
    r = set.run({"-f", "weather"});
    EXPECT_EQ(r.out, BANNER + DOMAIN_LINE);
    EXPECT_EQ(r.err, "File weather.test Not Found!\n");

    std::filesystem::remove(set.dir.file("weather.domain"));
    r = set.run({"-f", "weather"});
    EXPECT_EQ(r.out, BANNER);
    EXPECT_EQ(r.err, "Read Domain: weather.domain Invalid domain file\nFile weather.domain Not Found!\n");
    EXPECT_EQ(r.status, 0);
}

TEST(DravikRun, EmptyTestSetHasNoRateAndNoMatrix) {
    const DataSet set(WEATHER_DOMAIN, "", weather_tree().bytes);
    const RunResult r = set.run({"-f", "weather", "-v", "2"});
    EXPECT_EQ(r.out, BANNER + DOMAIN_LINE + READING +
                         "Error rate on test set nan (0 / 0) (Nodes: 6, Leaves: 4, Depth: 3 )\n" + TEST_TIME);
    EXPECT_FALSE(set.dir.exists("weather.pred"));
}

TEST(DravikRun, InertRootClassifiesNothing) {
    TreeFile inert;
    inert.node(7, 1, 0, leaf_data({1, 0}));
    const DataSet set(WEATHER_DOMAIN, "sunny,70,yes\nrain,75,no\n", inert.bytes);
    const RunResult r = set.run({"-f", "weather", "-v", "2"});
    EXPECT_EQ(r.out, BANNER + DOMAIN_LINE + READING + "Confusion Matrix:\n\t[1]\t[2]\n[1]\t0\t0\n[2]\t0\t0\n" +
                         "Error rate on test set 0.000000 (0 / 2) (Nodes: 1, Leaves: 0, Depth: 0 )\n" + TEST_TIME);
    EXPECT_EQ(r.err, "\nExample 1 Observed 1 Not Classified\nExample 2 Observed 2 Not Classified");
    EXPECT_EQ(set.dir.read("weather.pred"), "?\n?\n");
}

TEST(DravikRun, TenThousandLevelsAreClassifiedAndShownOneMoreIsRefused) {
    // A chain of single-branch tests on outlook: sunny goes down to the leaf (no), any
    // other value stops at the root, which answers its own distribution (yes).
    auto chain = [](int levels) {
        TreeFile file;
        file.leaf(levels, leaf_data({0, 1}, 2));
        NodeFields test = leaf_data({1, 0}, 2);
        test.attribute = 1;
        for (int level = levels - 1; level >= 1; --level) file.multiway(level, 1, test);
        return file.bytes;
    };
    const DataSet deepest(WEATHER_DOMAIN, "sunny,70,yes\nrain,75,yes\n?,75,no\n", chain(10000));
    // About 100 MB of outline: only its head is masked and compared in full.
    const RunResult r = run_program(PROGRAM, {"-f", "weather", "-t", "1"}, deepest.dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string results =
        "Error rate on test set 0.333333 (1 / 3) (Nodes: 10000, Leaves: 1, Depth: 10000 )\n" + TEST_TIME +
        "Decision Tree:\n(Nodes: 10000, Leaves: 1, Depth: 10000 )\n[1]outlook = sunny\n|\t[2]outlook = sunny\n";
    const std::string expected_head = BANNER + DOMAIN_LINE + READING + results;
    const std::string head = mask_run_output(r.out.substr(0, 1000));
    ASSERT_EQ(head.substr(0, expected_head.size()), expected_head);
    std::string leaf_line;
    for (int level = 0; level < 9999; ++level) leaf_line += "|\t";
    leaf_line += "no (2.00/2.00) [ 0.000 1.000 ] (0)[Errors: 1 in 2]\n";
    ASSERT_GE(r.out.size(), leaf_line.size());
    EXPECT_EQ(r.out.substr(r.out.size() - leaf_line.size()), leaf_line);
    EXPECT_EQ(deepest.dir.read("weather.pred"), "no\nyes\nno\n");

    const DataSet too_deep(WEATHER_DOMAIN, "sunny,70,yes\n", chain(10001));
    const RunResult refused = too_deep.run({"-f", "weather"});
    EXPECT_EQ(refused.err, "Invalid tree file\nFile weather.tree Not Found!\n");
    EXPECT_EQ(refused.status, 0);
}

// ---- The bundled example --------------------------------------------------------------------

namespace {

struct Iris {
    TempDir dir;

    Iris() {
        for (const char* suffix : {".domain", ".test", ".tree"}) {
            std::ifstream in(std::string(EXAMPLES_DIR) + "/iris" + suffix, std::ios::binary);
            dir.write(std::string("iris") + suffix, std::string(std::istreambuf_iterator<char>(in), {}));
        }
    }
    RunResult run(const std::vector<std::string>& args) const {
        RunResult result = run_program(PROGRAM, args, dir.path());
        result.out = mask_run_output(result.out);
        return result;
    }
};

const std::string IRIS_HEAD =
    BANNER + "Read domain file: iris.domain (4 Attributes 3 Classes)\n" + "Reading examples.\n";
const std::string IRIS_ERRORS = "Error rate on test set 0.066667 (3 / 45) (Nodes: 11, Leaves: 6, Depth: 6 )\n";

}  // namespace

TEST(DravikRun, IrisMakesThreeErrors) {
    const Iris iris;
    RunResult r = iris.run({"-f", "iris"});
    EXPECT_EQ(r.out, IRIS_HEAD + IRIS_ERRORS + TEST_TIME);
    EXPECT_EQ(r.err, "");

    r = iris.run({"-f", "iris", "-v", "3"});
    EXPECT_NE(r.out.find("Example 32 Observed virginica Classified versicolor \t[ 0.000 0.712 0.288 ]\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("Example 41 Observed versicolor Classified virginica \t[ 0.000 0.288 0.712 ]\n"),
              std::string::npos);
    EXPECT_NE(
        r.out.find("Confusion Matrix:\n\t[1]\t[2]\t[3]\n[1]\t15\t0\t0\n[2]\t0\t13\t1\n[3]\t0\t2\t14\n" + IRIS_ERRORS),
        std::string::npos);

    r = iris.run({"-f", "iris", "-v", "4"});
    EXPECT_NE(
        r.out.find("Reading 45 Examples from File iris.test\nDecision Tree:\n(Nodes: 11, Leaves: 6, Depth: 6 )\n"),
        std::string::npos);
}
