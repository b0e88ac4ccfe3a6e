// Whole runs of the built Dravik: standard output (date and time masked), standard
// error, the predictions file and the exit status, worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>

#include "support/help_text.h"
#include "support/iris_reports.h"
#include "support/probability_checks.h"
#include "support/run_program.h"
#include "support/tree_writer.h"
#include "support/unlabelled_runs.h"

namespace {

const std::string PROGRAM = DRAVIK_PROGRAM;
const std::string DOMAIN = "outlook: sunny, overcast, rain\nhumidity: continuous\nplay: yes, no\n";
const std::string TEST =
    "sunny,70,yes\nsunny,78,no\nsunny,90,no\novercast,70,yes\novercast,100,no\nrain,80,yes\n"
    "rain,90,no\n?,80,no\nrain,?,no\nrain,75,yes\nrain,85,no\n";

const std::string BANNER = "\nBrenx - Unseens Version 5.3  <DATE>\n\n";
const std::string DOMAIN_LINE = BANNER + "Read domain file: weather.domain (2 Attributes 2 Classes)\n";
const std::string HEAD = DOMAIN_LINE + "Reading examples.\n";
const std::string HELP =
    "Use:" + PROGRAM +
    " -f dataset [-v Verbose][-p prediction path](Version 5.3)\n"
    "  -f dataset      read dataset.domain (or dataset.names), dataset.test and dataset.tree; required\n"
    "  -v verbosity    how much to print, default 0: 3 lists the examples, 4 shows the tree first\n"
    "  -p predictions  write the predictions to this file instead of dataset.pred\n"
    "  -t trace        trace level, default 0: above 0 the tree again with each leaf's test counts\n"
    "  -K neighbours   nearest neighbours voting at leaves with exemplars, default 0 (no vote)\n"
    "  -g graph        also write the tree to this file as a Graphviz graph\n" +
    kHelpOfEveryProgram;
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
           // Example 4 (overcast, 70) against examples 1 (sunny, 70), 4 and 8 (?, 80), entries 1, 3, 5:
           // outlook ((0-4)/6)^2 + ((3-0)/6)^2 and ((1-4)/6)^2 + ((2-0)/6)^2, humidity ((80-70)/40)^2
           // for example 8; P(yes), P(no) are 0.268941, 0.731059 for examples 1 and 4, classified by
           // then, and the training means 0.5, 0.5 for example 8, which is not: 2 (0.5 - 0.268941)^2
           // more. The vote of 4 (yes, weight e^0) and 8 (no, e^-0.728277), averaged with (0.6, 0.4);
           // the trace shows e^(-0.1 d).
           "\tExemplo 1 Distancia 0.833333\n\tExemplo 3 Distancia 0.000000\n\tExemplo 5 Distancia 0.728277\n"
           "[1 1 0.000 1.000000]\t[2 2 0.728 0.929761]\t"
           "Example 4 Observed yes Classified yes \t[ 0.637 0.363 ]\n"
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

// Every run ends with status 0, also when it stops at a missing or invalid file; only a
// write that fails ends with 1.
TEST(DravikRun, WholeOutputs) {
    const Files weather{{"weather.domain", DOMAIN}, {"weather.test", TEST}, {"weather.tree", every_kind_tree()}};
    const Files predicted = one_file("weather.pred", PREDICTIONS), no_test = one_file("weather.test", std::nullopt);
    const std::string untraced = HEAD + ERROR_LINE + TEST_TIME, unwritable = "Can not write the standard output\n";
    // 29,000 predictions of 41 bytes: more than the 1 MiB block the predictions are written in;
    // a dot for each block of 10,000 examples started.
    const std::string long_no(40, 'n');
    std::string many_tests, many_predictions;
    for (int i = 0; i < 29000; ++i) {
        many_tests += "sunny,70,yes\n";
        many_predictions += long_no + "\n";
    }
    const Files iris{
        {"iris.domain", example(".domain")}, {"iris.test", example(".test")}, {"iris.tree", example(".tree")}};
    const std::string iris_head =
        BANNER + "Read domain file: iris.domain (4 Attributes 3 Classes)\nReading examples.\n";
    const std::string iris_result =
        "Error rate on test set 0.066667 (3 / 45) (Nodes: 11, Leaves: 6, Depth: 6 )\n" + TEST_TIME;
    const std::vector<WholeRun> runs{
        {"-K 3 -v 4", "", "\nUse:" + PROGRAM + " -f dataset [-v Verbose][-p prediction path](Version 5.3)\n", Files{},
         Files{}, 2},
        {"-f weather -h --version", HELP, ""},
        {"-x --version", "Dravik 5.3 (brenx-classifiers " + std::string(PACKAGE_VERSION) + ")\n", ""},
        // 65536 keeps none of its 16 bits; "abc" reads as 0.
        {"-x stray -f weather -t 65536 -v abc -t", untraced, "Invalid Option\nInvalid Option\nInvalid Option\n",
         Files{}, predicted},
        // A value of one character joined to its option, as a separate one.
        {"-f weather -v3 -t 2 -K2 -p out.txt", traced_output(HEAD, false), "", Files{},
         one_file("out.txt", PREDICTIONS)},
        // 65540 keeps its low 16 bits: 4, which shows the tree first. The tree is read and
        // shown with the domain without its ignored attribute.
        {"-f weather -v65540 -t 2 -K 2",
         traced_output(BANNER + "Read domain file: weather.domain (3 Attributes 2 Classes)\nReading examples.\n", true),
         "",
         {{"weather.domain", "id: ignore\n" + DOMAIN},
          {"weather.test",
           "1,sunny,70,yes\n2,sunny,78,no\n3,sunny,90,no\n4,overcast,70,yes\n5,overcast,100,no\n"
           "6,rain,80,yes\n7,rain,90,no\n8,?,80,no\n9,rain,?,no\n10,rain,75,yes\n11,rain,85,no\n"}},
         predicted},
        {"-f weather -v 2", HEAD + "Error rate on test set nan (0 / 0) " + SIZE + TEST_TIME, "",
         one_file("weather.test", "")},
        {"-f weather -v 2",
         HEAD + "Confusion Matrix:\n\t[1]\t[2]\n[1]\t0\t0\n[2]\t0\t0\n" +
             "Error rate on test set 0.000000 (0 / 2) (Nodes: 1, Leaves: 0, Depth: 0 )\n" + TEST_TIME,
         "\nExample 1 Observed 1 Not Classified\nExample 2 Observed 2 Not Classified",
         {{"weather.test", "sunny,70,yes\nrain,75,no\n"},
          {"weather.tree", TreeFile{}.node(7, 1, 0, leaf_data({1, 0})).bytes}},
         one_file("weather.pred", "?\n?\n")},
        {"-f weather",
         DOMAIN_LINE +
             "Reading examples...\nError rate on test set 1.000000 (29000 / 29000) (Nodes: 1, Leaves: 1, Depth: 1 )\n" +
             TEST_TIME,
         "",
         {{"weather.domain", "outlook: sunny, overcast, rain\nhumidity: continuous\nplay: yes, " + long_no + "\n"},
          {"weather.test", many_tests},
          {"weather.tree", TreeFile{}.leaf(1, leaf_data({0, 1})).bytes}},
         one_file("weather.pred", many_predictions)},
        // A file that cannot be read stops the run with status 1.
        {"-f weather", HEAD, "Invalid tree file\nFile weather.tree Not Found!\n", one_file("weather.tree", "Brenx\n"),
         Files{}, 1},
        {"-f weather", HEAD, "Can not open file weather.tree\nFile weather.tree Not Found!\n",
         one_file("weather.tree", std::nullopt), Files{}, 1},
        {"-f weather", DOMAIN_LINE, "File weather.test Not Found!\n", no_test, Files{}, 1},
        {"-f weather", BANNER, "Read Domain: weather.domain Invalid domain file\nFile weather.domain Not Found!\n",
         one_file("weather.domain", std::nullopt), Files{}, 1},
        // A predictions file that cannot be opened is passed over; one that cannot take
        // every line, or a standard output that cannot, ends the run with status 1.
        {"-f weather -p missing/out.txt", untraced, "Can not open file missing/out.txt\n"},
        {"-f weather -p /dev/full", untraced, "Can not write file /dev/full\n", Files{}, Files{}, 1},
        {"-f weather -v 3", "", unwritable, Files{}, predicted, 1, "/dev/full"},
        {"-f weather -p /dev/full -t 1", "", "Can not write file /dev/full\n" + unwritable, Files{}, Files{}, 1,
         "/dev/full"},
        {"-f weather", "", "File weather.test Not Found!\n" + unwritable, no_test, Files{}, 1, "/dev/full"},
        // The bundled example; its predictions are left out.
        {"-f iris -v 2 -p /dev/null",
         iris_head + "Confusion Matrix:\n\t[1]\t[2]\t[3]\n[1]\t15\t0\t0\n[2]\t0\t13\t1\n[3]\t0\t2\t14\n" + iris_result,
         "", iris},
        // Its graph fits the file's buffer, so only closing the file finds the disk full.
        {"-f iris -p /dev/null -g /dev/full", iris_head + iris_result, "Can not write file /dev/full\n", iris, Files{},
         1},
    };
    check_whole_runs(PROGRAM, weather, runs);
}

TEST(DravikRun, TenThousandLevelsAreClassifiedAndShown) {
    // Single-branch multi-way tests (kind 1) on outlook: sunny goes down to the leaf (no), any other
    // value stops at the root, which answers its own distribution (yes).
    TreeFile chain;
    chain.leaf(10000, leaf_data({0, 1}, 2));
    for (int level = 9999; level >= 1; --level) chain.node(1, level, 1, {.attribute = 1, .class_dist = {1, 0}});
    const TempDir dir;
    dir.write("weather.domain", DOMAIN);
    dir.write("weather.test", "sunny,70,yes\nrain,75,yes\n?,75,no\n");
    dir.write("weather.tree", chain.bytes);
    // About 100 MB of outline: its head and its last line are compared.
    const RunResult r = run_program(PROGRAM, {"-f", "weather", "-t", "1"}, dir.path());
    EXPECT_EQ(std::pair(r.status, r.err), std::pair(0, std::string()));
    const std::string head =
        HEAD + "Error rate on test set 0.333333 (1 / 3) (Nodes: 10000, Leaves: 1, Depth: 10000 )\n" + TEST_TIME +
        "Decision Tree:\n(Nodes: 10000, Leaves: 1, Depth: 10000 )\n" + "[1]outlook = sunny\n|\t[2]outlook = sunny\n";
    EXPECT_EQ(mask_run_output(r.out.substr(0, 1000)).substr(0, head.size()), head);
    std::string last_line;
    for (int level = 0; level < 9999; ++level) last_line += "|\t";
    EXPECT_TRUE(r.out.ends_with("\n" + last_line + "no (2.00/2.00) [ 0.000 1.000 ] (0)[Errors: 1 in 2]\n"));
    EXPECT_EQ(dir.read("weather.pred"), "no\nyes\nno\n");
}

// A large hostile test file, read in many blocks: one thread and eight give the same, and
// the streaming run (verbosity 0) the same predictions, messages and report as the run that
// holds the whole set (verbosity 3, which lists the examples), from the file named with -T.
TEST(DravikRun, SameAtAnyNumberOfThreads) {
    const std::string big = hostile_test_file({"5.1,3.5,1.4,0.2,setosa", "6.4,3.2,4.5,1.5,versicolor",
                                               "6.3,?,6.0,2.5,virginica", "5.9,3.0,5.1,1.8,virginica"},
                                              35000);
    const Files iris{{"iris.domain", example(".domain")}, {"big.test", big}, {"iris.tree", example(".tree")}};
    check_same_at_any_threads(PROGRAM, iris, {"-f", "iris", "-T", "big.test"}, "iris.pred", "3");
}

TEST(DravikRun, UnlabelledExamples) { check_unlabelled_iris(PROGRAM, ".tree", EXAMPLES_DIR); }

// -s on iris: examples 1 and 2 end at pure leaves ([ 1.000 0.000 0.000 ] and
// [ 0.000 1.000 0.000 ] in the tree's outline); every row agrees with the test file and the
// predictions; at one thread, at four and with the whole set held (verbosity 3) alike. A file
// that cannot be written fails the run after everything else.
TEST(DravikRun, ClassProbabilities) {
    const TempDir dir;
    for (const std::string ext : {".domain", ".test", ".tree"}) dir.write("iris" + ext, example(ext));
    std::vector<std::pair<long, std::string>> examples;
    std::istringstream lines(example(".test"));
    std::string line;
    for (long number = 1; std::getline(lines, line); ++number)
        examples.emplace_back(number, line.substr(line.rfind(',') + 1));
    std::string first;
    for (const char* options : {"-j 1", "-j 4", "-v 3"}) {
        std::vector<std::string> args{"-f", "iris", "-s", "p.csv"};
        std::istringstream words(options);
        for (std::string word; words >> word;) args.push_back(word);
        EXPECT_EQ(run_program(PROGRAM, args, dir.path()).status, 0);
        const std::string csv = dir.read("p.csv");
        check_probability_rows(csv, examples, dir.read("iris.pred"), {"setosa", "versicolor", "virginica"});
        EXPECT_EQ(csv.substr(0, csv.find("\r\n3,")),
                  "line,observed,predicted,setosa,versicolor,virginica\r\n1,setosa,setosa,1,0,0\r\n"
                  "2,versicolor,versicolor,0,1,0");
        if (first.empty()) first = csv;
        EXPECT_EQ(csv, first) << options;
    }
    for (const std::string target : {"missing/p.csv", "/dev/full"}) {
        const RunResult run = run_program(PROGRAM, {"-f", "iris", "-s", target}, dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "Can not write file " + target + "\n");
    }
}

}  // namespace
