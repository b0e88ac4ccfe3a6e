// Whole runs of the built Dravik: standard output (date and time masked), standard
// error, the predictions file and the exit status, worked out by hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <optional>

#include "support/run_program.h"
#include "support/tree_writer.h"

namespace {

const std::string PROGRAM = DRAVIK_PROGRAM;
const double NaN = std::numeric_limits<double>::quiet_NaN();
const std::string DOMAIN = "outlook: sunny, overcast, rain\nhumidity: continuous\nplay: yes, no\n";
const std::string TEST =
    "sunny,70,yes\nsunny,78,no\nsunny,90,no\novercast,70,yes\novercast,100,no\nrain,80,yes\n"
    "rain,90,no\n?,80,no\nrain,?,no\nrain,75,yes\nrain,85,no\n";

// Every node kind and model. The root's linear model (yes scores -8 + 0.1 humidity)
// appends P(yes), P(no) as attributes 3, 4; node 2 tests attribute 3; node 4 is a
// naive-Bayes leaf; node 5 routes by its Norvex model (both components, yes scoring
// 8 - 0.1 humidity) to a neighbour leaf or an inert node that runs its naive-Bayes model
// and answers nothing; node 8 has an empty second child and a third that only the display
// shows.
std::string tree_file() {
    const StatsTable humidity = repeated_table(3, {0, 80, 60, 100});
    NodeFields root{.attribute = 1, .class_dist = {0.4, 0.6}, .nr_attributes = 2, .coefs = {{-8, 0.1}}};
    root.stats = {repeated_table(3, {0, 1, 1, 1, 2}), humidity};
    // Both classes at least 2.5 * 4.
    NodeFields bayes{.norvex = 1, .class_dist = {0.3, 0.7}, .class_counts = {30, 10, 20}, .nr_attributes = 4};
    bayes.nr_norvex_classes = 2;
    bayes.stats = {{{3, 8, 10, 9, 2}, {1, 0, 5, 4, 2}, {2, 8, 5, 5, 2}}, humidity, humidity, humidity};
    NodeFields routed{.norvex = 1, .class_dist = {0.5, 0.5}, .class_counts = {24, 12, 12}, .nr_attributes = 4};
    routed.bayes_error = 0.25;
    routed.discrim_error = 0.5;
    routed.coefs = {{8, -0.1}};
    routed.nr_norvex_classes = 2;
    routed.stats = {{{3, 7, 9, 5, 2}, {1, 1, 6, 4, 2}, {2, 6, 3, 1, 2}}, humidity, humidity, humidity};
    NodeFields neighbours{.class_dist = {0.6, 0.4}, .class_counts = {10, 6, 4}, .nr_attributes = 2};
    neighbours.exemplars = {1, NaN, 4, 0.5, 8, 99};  // 3 numbers name no example
    neighbours.nr_norvex_classes = 2;                // so that it has statistics
    neighbours.stats = {{{3, 3, 4, 3, 2}, {1, 0, 4, 0, 2}, {2, 3, 0, 3, 2}}, repeated_table(3, {0, 75, 60, 100})};
    NodeFields inert{.class_dist = {1, 0}, .class_counts = {24, 12, 12}, .nr_attributes = 4, .nr_norvex_classes = 2};
    inert.stats = {{{3, 3, 6, 3, 2}, {1, 2, 3, 6, 2}, {2, 1, 3, 6, 2}}, humidity, humidity, humidity};
    TreeFile file;
    file.leaf(3, leaf_data({0.8, 0.2}, 5)).leaf(4, bayes);
    file.node(3, 2, 2, {.attribute = 3, .cut = 0.5, .lower = 0.4, .upper = 0.6, .class_dist = {0.5, 0.5}});
    file.leaf(6, neighbours).node(7, 7, 0, inert).multiway(5, 2, routed);
    file.leaf(9, leaf_data({0.25, 0.75}, 4)).empty().leaf(10, leaf_data({0.5, 0.5}, 2));
    file.node(2, 8, 3, {.attribute = 2, .cut = 80, .lower = 75, .upper = 85, .class_dist = {0.1, 0.9}});
    return file.empty().multiway(1, 4, root).bytes;
}

// The files of the data set "weather"; a file given as none is left out.
struct DataSet {
    TempDir dir;

    DataSet(const std::optional<std::string>& domain, const std::optional<std::string>& test,
            const std::optional<std::string>& tree) {
        if (domain) dir.write("weather.domain", *domain);
        if (test) dir.write("weather.test", *test);
        if (tree) dir.write("weather.tree", *tree);
    }
    RunResult run(const std::vector<std::string>& args, const std::string& out_file = "") const {
        RunResult result = run_program(PROGRAM, args, dir.path(), out_file);
        result.out = mask_run_output(result.out);
        return result;
    }
};

const std::string BANNER = "\nBrenx - Unseens Version 5.3  <DATE>\n\n";
const std::string DOMAIN_LINE = BANNER + "Read domain file: weather.domain (2 Attributes 2 Classes)\n";
const std::string HEAD = DOMAIN_LINE + "Reading examples.\n";
const std::string TEST_TIME = "\nBrenx Test Time: <TIME> (sec)\n";
const std::string SIZE = "(Nodes: 9, Leaves: 4, Depth: 3 )\n";
const std::string ERROR_LINE = "Error rate on test set 0.272727 (3 / 11) " + SIZE;
const std::string PREDICTIONS = "yes\nyes\nno\nyes\nno\nno\nno\nno\nno\nno\nno\n";
const std::string ZERO = "[Errors: 0 in 0]";  // the counters when traced, before classification
const std::string BAND_80 = "Classify: Value 80.000000 in limits [75.000000 (0.500000) 85.000000 (0.500000)]\n";

std::string outline(const std::vector<std::string>& counters) {
    return "Decision Tree:\n" + SIZE +
           "[1]outlook = sunny\n"
           "|\t[2]Norvex_3 <= 0.500000 [0.400000 0.600000]\n|\t|\tyes (5.00/4.00) [ 0.800 0.200 ] (0)" +
           counters[0] + "\n|\t[2]Norvex_3 > 0.500000\n|\t|\t[4]Norvex = 1 Then yes\n|\t|\t[4]Norvex = 2 Then no\n" +
           "[1]outlook = overcast\n|\t[5]Norvex = 1\n|\t|\tyes (10.00/6.00) [ 0.600 0.400 ] (6)" + counters[1] +
           "\n|\t[5]Norvex = 2\n[1]outlook = rain\n|\t[8]humidity <= 80.000000 [75.000000 85.000000]\n" +
           "|\t|\tno (4.00/3.00) [ 0.250 0.750 ] (0)" + counters[2] + "\n|\t[8]humidity > 80.000000\n|\t\n" +
           "|\t|\tyes (2.00/1.00) [ 0.500 0.500 ] (0)" + counters[3] + "\n[1]outlook = ?\n";
}

// The whole output with -t 2 -K 2, after `head`; the tree is shown first at -v 4.
std::string traced_output(const std::string& head, bool tree_first) {
    return head + (tree_first ? "Reading 11 Examples from File weather.test\n" + outline(std::vector(4, ZERO)) : "") +
           "Example 1 Observed yes Classified yes \t[ 0.800 0.200 ]\n"
           "Observed 2 Bayes (1.000000)[1 0.011111 2 0.400000 "
           "Classify: Value 0.450166 in limits [0.400000 (0.749170) 0.600000 (0.250830)]\n"
           "Example 2 Observed no Classified yes \t[ 0.603 0.397 ]\n"
           "Observed 2 Bayes (1.000000)[1 0.011111 2 0.400000 "
           "Example 3 Observed no Classified no \t[ 0.014 0.986 ]\n"
           "Observed 1 Bayes (0.750000)[1 0.500000 2 0.250000 ] Discrim (0.500000)[1 0.731059 2 0.268941 "
           "Final [1 0.692423 2 0.307577 ]\n"
           "\tExemplo 1 Distancia 0.833333\n\tExemplo 3 Distancia 0.000000\n\tExemplo 5 Distancia 0.650854\n"
           "[1 1 0.000 1.000000]\t[2 2 0.651 0.936987]\t"
           "Example 4 Observed yes Classified yes \t[ 0.629 0.371 ]\n"
           "Observed 2 Bayes (0.750000)[1 0.500000 2 0.250000 ] Discrim (0.500000)[1 0.119203 2 0.880797 "
           "Final [1 0.447681 2 0.552319 ]\n"
           "Observed 2 Bayes (1.000000)[1 0.250000 2 0.250000 Final [1 0.500000 2 0.500000 ]\n"
           "Example 5 Observed no Classified no \t[ 0.400 0.600 ]\n" +
           BAND_80 + "Example 6 Observed yes Classified no \t[ 0.250 0.750 ]\n" +
           "Example 7 Observed no Classified no \t[ 0.100 0.900 ]\n"
           "Observed 2 Bayes (1.000000)[1 0.100000 2 0.100000 "
           "Classify: Value 0.500000 in limits [0.400000 (0.500000) 0.600000 (0.500000)]\n"
           "Observed 2 Bayes (0.750000)[1 0.083333 2 0.166667 ] Discrim (0.500000)[1 0.500000 2 0.500000 "
           "Final [1 0.400000 2 0.600000 ]\n"
           "Observed 2 Bayes (1.000000)[1 0.083333 2 0.166667 Final [1 0.333333 2 0.666667 ]\n" +
           BAND_80 + "Example 8 Observed no Classified no \t[ 0.408 0.592 ]\n" +
           "Example 9 Observed no Classified no \t[ 0.250 0.750 ]\n"
           "Example 10 Observed yes Classified no \t[ 0.250 0.750 ]\n"
           "Example 11 Observed no Classified no \t[ 0.100 0.900 ]\n"
           "Confusion Matrix:\n\t[1]\t[2]\n[1]\t2\t1\n[2]\t2\t6\n" +
           ERROR_LINE + TEST_TIME + outline({"[Errors: 2 in 3]", "[Errors: 0 in 1]", "[Errors: 2 in 4]", ZERO});
}

struct Expected {
    std::vector<std::string> args{};
    std::string out{};
    std::string err{};
    std::optional<std::string> pred{};       // the predictions file; none when the run makes none
    std::string pred_name = "weather.pred";  // "-" when it is no file of the folder
    int status = 0;
    std::string out_file{};  // where standard output goes instead of being captured
    // The data set's files; none for a missing file.
    std::optional<std::string> test = TEST;
    std::optional<std::string> tree = tree_file();
    std::optional<std::string> domain = DOMAIN;
};

// Every run ends with status 0, also when it stops at a missing or invalid file; only a
// write that fails ends with 1.
TEST(DravikRun, WholeOutputs) {
    const std::vector<Expected> runs{
        {.args = {"-K", "3", "-v", "4"},
         .err = "\nUse:" + PROGRAM + " -f dataset [-v Verbose][-p prediction path](Version 5.3)\n"},
        // 65536 keeps none of its 16 bits; "abc" reads as 0.
        {.args = {"-x", "stray", "-f", "weather", "-t", "65536", "-v", "abc", "-t"},
         .out = HEAD + ERROR_LINE + TEST_TIME,
         .err = "Invalid Option\nInvalid Option\nInvalid Option\n",
         .pred = PREDICTIONS},
        {.args = {"-f", "weather", "-v", "3", "-t", "2", "-K", "2", "-p", "out.txt"},
         .out = traced_output(HEAD, false),
         .pred = PREDICTIONS,
         .pred_name = "out.txt"},
        // 65540 keeps its low 16 bits: 4, which shows the tree first. The tree is read and
        // shown with the domain without its ignored attribute.
        {.args = {"-f", "weather", "-v65540", "-t", "2", "-K", "2"},
         .out = traced_output(BANNER + "Read domain file: weather.domain (3 Attributes 2 Classes)\nReading examples.\n",
                              true),
         .pred = PREDICTIONS,
         .test = "1,sunny,70,yes\n2,sunny,78,no\n3,sunny,90,no\n4,overcast,70,yes\n5,overcast,100,no\n6,rain,80,yes\n"
                 "7,rain,90,no\n8,?,80,no\n9,rain,?,no\n10,rain,75,yes\n11,rain,85,no\n",
         .domain = "id: ignore\n" + DOMAIN},
        {.args = {"-f", "weather", "-v", "2"},
         .out = HEAD + "Error rate on test set nan (0 / 0) " + SIZE + TEST_TIME,
         .test = ""},
        {.args = {"-f", "weather", "-v", "2"},
         .out = HEAD + "Confusion Matrix:\n\t[1]\t[2]\n[1]\t0\t0\n[2]\t0\t0\n" +
                "Error rate on test set 0.000000 (0 / 2) (Nodes: 1, Leaves: 0, Depth: 0 )\n" + TEST_TIME,
         .err = "\nExample 1 Observed 1 Not Classified\nExample 2 Observed 2 Not Classified",
         .pred = "?\n?\n",
         .test = "sunny,70,yes\nrain,75,no\n",
         .tree = TreeFile{}.node(7, 1, 0, leaf_data({1, 0})).bytes},
        {.args = {"-f", "weather"},
         .out = HEAD,
         .err = "Invalid tree file\nFile weather.tree Not Found!\n",
         .tree = "Brenx\n"},
        {.args = {"-f", "weather"},
         .out = HEAD,
         .err = "Can not open file weather.tree\nFile weather.tree Not Found!\n",
         .tree = std::nullopt},
        {.args = {"-f", "weather"}, .out = DOMAIN_LINE, .err = "File weather.test Not Found!\n", .test = std::nullopt},
        {.args = {"-f", "weather"},
         .out = BANNER,
         .err = "Read Domain: weather.domain Invalid domain file\nFile weather.domain Not Found!\n",
         .domain = std::nullopt},
        // A predictions file that cannot be opened is passed over; one that cannot take
        // every line, or a standard output that cannot, ends the run with status 1.
        {.args = {"-f", "weather", "-p", "missing/out.txt"},
         .out = HEAD + ERROR_LINE + TEST_TIME,
         .err = "Can not open file missing/out.txt\n",
         .pred_name = "-"},
        {.args = {"-f", "weather", "-p", "/dev/full"},
         .out = HEAD + ERROR_LINE + TEST_TIME,
         .err = "Can not write file /dev/full\n",
         .pred_name = "-",
         .status = 1},
        {.args = {"-f", "weather", "-v", "3"},
         .err = "Can not write the standard output\n",
         .pred = PREDICTIONS,
         .status = 1,
         .out_file = "/dev/full"},
        {.args = {"-f", "weather", "-p", "/dev/full", "-t", "1"},
         .err = "Can not write file /dev/full\nCan not write the standard output\n",
         .pred_name = "-",
         .status = 1,
         .out_file = "/dev/full"},
        {.args = {"-f", "weather"},
         .err = "File weather.test Not Found!\nCan not write the standard output\n",
         .status = 1,
         .out_file = "/dev/full",
         .test = std::nullopt},
    };
    for (size_t i = 0; i < runs.size(); ++i) {
        const Expected& run = runs[i];
        SCOPED_TRACE("run " + std::to_string(i + 1));
        const DataSet set(run.domain, run.test, run.tree);
        const RunResult r = set.run(run.args, run.out_file);
        EXPECT_EQ(r.out, run.out);
        EXPECT_EQ(r.err, run.err);
        EXPECT_EQ(r.status, run.status);
        const auto content = [&](const std::string& name) {
            return set.dir.exists(name) ? std::optional(set.dir.read(name)) : std::nullopt;
        };
        EXPECT_EQ(content(run.pred_name), run.pred);
        EXPECT_EQ(content("weather.pred"), run.pred_name == "weather.pred" ? run.pred : std::nullopt);
    }
}

TEST(DravikRun, TenThousandLevelsAreClassifiedAndShown) {
    // Single-branch tests on outlook: sunny goes down to the leaf (no), any other
    // value stops at the root, which answers its own distribution (yes).
    TreeFile chain;
    chain.leaf(10000, leaf_data({0, 1}, 2));
    for (int level = 9999; level >= 1; --level) chain.multiway(level, 1, {.attribute = 1, .class_dist = {1, 0}});
    const DataSet deepest(DOMAIN, "sunny,70,yes\nrain,75,yes\n?,75,no\n", chain.bytes);
    // About 100 MB of outline: its head and its last line are compared.
    const RunResult r = run_program(PROGRAM, {"-f", "weather", "-t", "1"}, deepest.dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string head =
        HEAD + "Error rate on test set 0.333333 (1 / 3) (Nodes: 10000, Leaves: 1, Depth: 10000 )\n" + TEST_TIME +
        "Decision Tree:\n(Nodes: 10000, Leaves: 1, Depth: 10000 )\n" + "[1]outlook = sunny\n|\t[2]outlook = sunny\n";
    EXPECT_EQ(mask_run_output(r.out.substr(0, 1000)).substr(0, head.size()), head);
    std::string last_line;
    for (int level = 0; level < 9999; ++level) last_line += "|\t";
    EXPECT_TRUE(r.out.ends_with("\n" + last_line + "no (2.00/2.00) [ 0.000 1.000 ] (0)[Errors: 1 in 2]\n"));
    EXPECT_EQ(deepest.dir.read("weather.pred"), "no\nyes\nno\n");
}

TEST(DravikRun, IrisMakesThreeErrors) {
    TempDir dir;
    for (const std::string suffix : {".domain", ".test", ".tree"})
        std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / ("iris" + suffix), dir.file("iris" + suffix));
    const RunResult r = run_program(PROGRAM, {"-f", "iris", "-v", "2"}, dir.path());
    EXPECT_EQ(mask_run_output(r.out),
              BANNER +
                  "Read domain file: iris.domain (4 Attributes 3 Classes)\nReading examples.\n"
                  "Confusion Matrix:\n\t[1]\t[2]\t[3]\n[1]\t15\t0\t0\n[2]\t0\t13\t1\n[3]\t0\t2\t14\n"
                  "Error rate on test set 0.066667 (3 / 45) (Nodes: 11, Leaves: 6, Depth: 6 )\n" +
                  TEST_TIME);
    EXPECT_EQ(r.err, "");
}

}  // namespace
