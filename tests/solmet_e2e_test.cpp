// Whole runs of the built Solmet program on small data sets in a scratch folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "support/binary_writer.h"
#include "support/help_text.h"
#include "support/probability_checks.h"
#include "support/run_program.h"
#include "support/unlabelled_runs.h"

namespace {

const std::string kProgram = SOLMET_PROGRAM;

// Weather: an ignored attribute, outlook (sunny, overcast, rain) and humidity; classes yes and
// no. Line 4 has an unknown class and is dropped; line 5, separated by spaces (which this
// program accepts), has an undeclared label, kept as unknown. The messages count two calls of
// the line reader per line.
const std::string kDomain = "day: ignore, any\noutlook: sunny, overcast, rain\nhumidity: continuous\nplay: yes, no\n";
const std::string kTest = "d1,sunny,85.5,no\nd2,rain,70,yes\nd3,?,60,yes\nd9,rain,70,maybe\nd4 fog 90 no\n";
const std::string kReadErrors =
    "ReadAttVal: Instance 4 (Line 6) Invalid Classe value: maybe\n"
    "ReadAttVal: Instance 4 (Line 8) Invalid attribute ( 2 )value: fog\n";

// score(yes) = 6 - 0.5 outlook - 0.0625 humidity, against no (score 0):
//   1: 6 - 0.5 - 5.34375 = 0.15625  -> yes (observed no)
//   2: 6 - 1.5 - 4.375   = 0.125    -> yes
//   3: outlook unknown, the mean 2 of class yes: 6 - 1 - 3.75 = 1.25 -> yes
//   4: outlook unknown, likewise: 6 - 1 - 5.625 = -0.625 -> no
// Row 0 (all classes) and row 2 (no) hold other means, so a stand-in from the wrong row shows.
const StatsTable kOutlook{{0, 5, 4, 5, 1.9}, {0, 2, 4, 3, 2.0}, {0, 3, 0, 2, 1.6}};
const StatsTable kHumidity{{0, 80, 65, 96}, {0, 79, 65, 96}, {0, 86, 70, 95}};

const std::string kBanner = "\nLinear Discriminant Version 3.1  <DATE>\n\n";
// Standard output up to the domain line, and up to the count of examples read.
const std::string kDomainRead = kBanner + "Read domain file: wx.domain (3 Attributes 2 Classes)\n";
const std::string kUpToExamples = kDomainRead + "Reading examples.\nRedefining domain to 2 Attributes\n";
const std::string kModel = "\nCoefficients: \n+6-0.5*[1]-0.0625*[2]\nNumber of equations 1 Number of Coefficients 3\n";
const std::string kConfusion = "Confusion Matrix:\n\t[1]\t[2]\n[1]\t2\t0\n[2]\t1\t1\n";
const std::string kHelp =
    "Use:" + kProgram +
    " -f dataset [-v Verbose][-p prediction path](Version 3.1)\n"
    "  -f dataset      read dataset.domain (or dataset.names), dataset.test and dataset.coef; required\n"
    "  -v verbosity    how much to print, default 0: 2 lists the examples, 3 their probabilities too\n"
    "  -p predictions  write the predictions to this file instead of dataset.pred\n" +
    kHelpOfEveryProgram;
const std::string kPackageVersion = PACKAGE_VERSION;
const std::string kErrorLine = "\nLinear Discriminant test set Error 0.250000 (1 / 4) Test Time: <TIME> (sec)\n";

// Whole runs at each verbosity, runs that stop early or go on past faults, an empty test
// set and writes that fail (the bundled example's result is checked through its report).
// A run that classified ends with status 0, unless a write fails; one that stops before
// classifying, for a file it cannot read, ends with 1 and leaves the predictions file as it
// was; one without a data set ends with 2. Help and version come before anything else.
TEST(SolmetRun, WholeOutputs) {
    const std::string coef = coef_file({{6, -0.5, -0.0625}}, 3, {kOutlook, kHumidity});
    const std::string read = kUpToExamples + "Read 4 Examples from file: wx.data\n";
    const Files wx{{"wx.domain", kDomain}, {"wx.test", kTest}, {"wx.coef", coef}, {"wx.pred", "stale\n"}};
    const Files predicted = one_file("wx.pred", "yes\nyes\nyes\nno\n");
    const std::string refused = "Coefficients File wx.coef Not Found!\n", bad = "Invalid Option\n";
    const std::string no_domain = "Read Domain: none.domain Invalid domain file\nFile none.domain Not Found!\n";
    const std::string unwritable = "Can not write the standard output\n", full = "Can not write file /dev/full\n";
    // -v keeps 16 bits: 65538 is 2, which lists the examples without their probabilities.
    const std::string verbosity_two =
        read + kModel + "Example 1  Classified no Predict yes \n" +
        "Example 2  Classified yes Predict yes \nExample 3  Classified yes Predict yes \n" +
        "Example 4  Classified no Predict no \n" + kConfusion + kErrorLine;
    // Above verbosity 4 the domain without its ignored attribute, and the examples, come first.
    const std::string verbosity_five =
        read +
        "\nPROBLEM NAME :: wx\nNR.ATTRIBUTES :: 2\n\nAttribute n.1 : outlook\n\tType : nominal\n"
        "\tNr.Different Values : 3\n\tValues :: sunny, overcast, rain\n\nAttribute n.2 : humidity\n"
        "\tType : continuous\n\nAttribute n.3 : play\n\tType : nominal\n\tNr.Different Values : 2\n"
        "\tValues :: yes, no\n\n\nId\tNr.Att\tWeight\tCl\n1\t2\t1.000\t2\tsunny\t85.500\t\n"
        "2\t2\t1.000\t1\train\t70.000\t\n3\t2\t1.000\t1\t?\t60.000\t\n4\t2\t1.000\t2\t?\t90.000\t\n" +
        kModel +
        "Example 1  Classified no Predict yes [0.538983 0.461017 ]\n"
        "Example 2  Classified yes Predict yes [0.531209 0.468791 ]\n"
        "Example 3  Classified yes Predict yes [0.777300 0.222700 ]\n"
        "Example 4  Classified no Predict no [0.348645 0.651355 ]\n" +
        kConfusion + kErrorLine;
    const std::string empty_run = kUpToExamples + "Read 0 Examples from file: wx.data\n" + kModel +
                                  "Confusion Matrix:\n\t[1]\t[2]\n[1]\t0\t0\n[2]\t0\t0\n" +
                                  "\nLinear Discriminant test set Error nan (0 / 0) Test Time: <TIME> (sec)\n";
    const std::vector<WholeRun> runs{
        {"-v 3 -f", "", bad + "\nUse:" + kProgram + " -f dataset [-v Verbose][-p prediction path](Version 3.1)\n",
         Files{}, Files{}, 2},
        {"-f wx --help -x", kHelp, ""},
        {"-p /dev/full --version -h", "Solmet 3.1 (brenx-classifiers " + kPackageVersion + ")\n", ""},
        {"-f none", kBanner, no_domain, Files{}, Files{}, 1},
        {"-f wx", kDomainRead, "File wx.test Not Found!\n", one_file("wx.test", std::nullopt), Files{}, 1},
        {"-f wx", read, kReadErrors + "Can not open file wx.coef\n" + refused, one_file("wx.coef", std::nullopt),
         Files{}, 1},
        // Statistics cut short.
        {"-f wx", read, kReadErrors + refused, one_file("wx.coef", coef.substr(0, coef.size() - 1)), Files{}, 1},
        {"-fwx -x stray -: -v 65538 -p missing/out.txt", verbosity_two,
         bad + bad + bad + kReadErrors + "Can not open file missing/out.txt\n"},
        {"-f wx -v 2", empty_run, "", one_file("wx.test", ""), one_file("wx.pred", "")},
        {"-f wx -v 5", verbosity_five, kReadErrors, Files{}, predicted},
        // The default verbosity: no example lines and no confusion matrix.
        {"-f wx", read + kModel + kErrorLine, kReadErrors, Files{}, predicted},
        // A predictions file or a standard output that cannot take everything: the run goes
        // on to its end, says so, and ends with status 1.
        {"-f wx -p /dev/full", read + kModel + kErrorLine, kReadErrors + full, Files{}, Files{}, 1},
        {"-f wx -v 2", "", kReadErrors + unwritable, Files{}, predicted, 1, "/dev/full"},
        {"-f wx -p /dev/full", "", kReadErrors + full + unwritable, Files{}, Files{}, 1, "/dev/full"},
        {"-f none", "", no_domain + unwritable, Files{}, Files{}, 1, "/dev/full"},
    };
    check_whole_runs(kProgram, wx, runs);
}

// A large hostile test file, read in many blocks: one thread and eight give the same, and
// the streaming run (verbosity 0) the same predictions, messages and report as the run that
// holds the whole set (verbosity 2), from the file named with -T.
TEST(SolmetRun, SameAtAnyNumberOfThreads) {
    const std::string coef = coef_file({{6, -0.5, -0.0625}}, 3, {kOutlook, kHumidity});
    const std::string big =
        hostile_test_file({"d1,sunny,85.5,no", "d2,rain,70,yes", "d3,?,60,yes", "d4 fog 90 no"}, 35000);
    const Files wx{{"wx.domain", kDomain}, {"wx.test", "stale"}, {"big.test", big}, {"wx.coef", coef}};
    check_same_at_any_threads(kProgram, wx, {"-f", "wx", "-T", "big.test"}, "wx.pred", "2");
}

TEST(SolmetRun, UnlabelledExamples) { check_unlabelled_iris(kProgram, ".coef", EXAMPLES_DIR); }

// -s: each example's class weights divided by their sum, on the line its first field is on.
// Example 1 scores 0.15625 for yes against 0 for no: weights 1 and e^-0.15625; example 4
// (line 5) -0.625: weights e^-0.625 and 1; the unlabelled example on line 6 (rain, 70)
// scores as example 2. A file that cannot be written fails the run after everything else.
TEST(SolmetRun, ClassProbabilities) {
    const std::string coef = coef_file({{6, -0.5, -0.0625}}, 3, {kOutlook, kHumidity});
    const auto row = [](const std::string& head, double yes, double no) {
        return head + "," + shortest(yes / (yes + no)) + "," + shortest(no / (yes + no)) + "\r\n";
    };
    const std::string csv = "line,observed,predicted,yes,no\r\n" + row("1,no,yes", 1, std::exp(-0.15625)) +
                            row("2,yes,yes", 1, std::exp(-0.125)) + row("3,yes,yes", 1, std::exp(-1.25)) +
                            row("5,no,no", std::exp(-0.625), 1) + row("6,,yes", 1, std::exp(-0.125));
    const Files wx{{"wx.domain", kDomain}, {"wx.test", kTest + "d5,rain,70,?\n"}, {"wx.coef", coef}};
    const std::string read = kUpToExamples + "Read 5 Examples from file: wx.data\n";
    const std::string error_line =
        "\nLinear Discriminant test set Error 0.250000 (1 / 4) Test Time: <TIME> (sec)\n"
        "Unlabelled examples classified: 1\n";
    const Files written{{"wx.pred", "yes\nyes\nyes\nno\nyes\n"}, {"p.csv", csv}};
    check_whole_runs(
        kProgram, wx,
        {{"-f wx -u -s p.csv", read + kModel + error_line, kReadErrors, Files{}, written},
         {"-f wx -u -s p.csv -v 3", "", kReadErrors, Files{}, written, 0, "/dev/null"},
         {"-f wx -u -s missing/p.csv", read + kModel + error_line, kReadErrors + "Can not write file missing/p.csv\n",
          Files{}, one_file("wx.pred", "yes\nyes\nyes\nno\nyes\n"), 1},
         {"-f wx -u -s /dev/full", read + kModel + error_line, kReadErrors + "Can not write file /dev/full\n", Files{},
          one_file("wx.pred", "yes\nyes\nyes\nno\nyes\n"), 1}});
}

}  // namespace
