// Whole runs of the built Solmet program on small data sets in a scratch folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/binary_writer.h"
#include "support/run_program.h"

namespace {

const std::string kProgram = SOLMET_PROGRAM;

// Weather: outlook (sunny, overcast, rain) and humidity; classes yes and no. The last
// example is separated by spaces, which this program accepts.
const std::string kDomain =
    "outlook: sunny, overcast, rain\n"
    "humidity: continuous\n"
    "play: yes, no\n";
const std::string kTest =
    "sunny,85.5,no\n"
    "rain,70,yes\n"
    "?,60,yes\n"
    "overcast 90 no\n";

// score(yes) = 6 - 0.5 outlook - 0.0625 humidity, against no (score 0):
//   1: 6 - 0.5 - 5.34375 = 0.15625  -> yes (observed no)
//   2: 6 - 1.5 - 4.375   = 0.125    -> yes
//   3: outlook unknown, the mean 2 of class yes: 6 - 1 - 3.75 = 1.25 -> yes
//   4: 6 - 1 - 5.625     = -0.625   -> no
std::string weather_coef() {
    const StatsTable outlook{{0, 5, 4, 5, 2.0}, {0, 2, 4, 3, 2.0}, {0, 3, 0, 2, 1.6}};
    const StatsTable humidity{{0, 80, 65, 96}, {0, 79, 65, 96}, {0, 86, 70, 95}};
    return coef_file({{6, -0.5, -0.0625}}, 3, {outlook, humidity});
}

const std::string kBanner = "\nLinear Discriminant Version 3.1  <DATE>\n\n";
const std::string kDomainLine = "Read domain file: wx.domain (2 Attributes 2 Classes)\n";
const std::string kReading = "Reading examples.\nRead 4 Examples from file: wx.data\n";
const std::string kModel = "\nCoefficients: \n+6-0.5*[1]-0.0625*[2]\nNumber of equations 1 Number of Coefficients 3\n";
const std::string kConfusion = "Confusion Matrix:\n\t[1]\t[2]\n[1]\t2\t0\n[2]\t1\t1\n";
const std::string kErrorLine = "\nLinear Discriminant test set Error 0.250000 (1 / 4) Test Time: <TIME> (sec)\n";
const std::string kPredictions = "yes\nyes\nyes\nno\n";

class SolmetRun : public ::testing::Test {
   protected:
    void SetUp() override {
        dir.write("wx.domain", kDomain);
        dir.write("wx.test", kTest);
        dir.write("wx.coef", weather_coef());
    }
    RunResult run(const std::vector<std::string>& args) {
        RunResult r = run_program(kProgram, args, dir.path());
        r.out = mask_run_output(r.out);
        return r;
    }
    void expect(const RunResult& r, const std::string& out, const std::string& err) const {
        EXPECT_EQ(r.out, out);
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(r.status, 0);
    }

    TempDir dir;
};

TEST_F(SolmetRun, WithoutDataSetPrintUsage) {
    const std::string usage = "\nUse:" + kProgram + " -f dataset [-v Verbose][-p prediction path](Version 3.1)\n";
    expect(run({}), "", usage);
    expect(run({"-v", "3", "-f"}), "", "Invalid Option\n" + usage);
}

TEST_F(SolmetRun, QuietRun) {
    expect(run({"-f", "wx"}), kBanner + kDomainLine + kReading + kModel + kErrorLine, "");
    EXPECT_EQ(dir.read("wx.pred"), kPredictions);
}

TEST_F(SolmetRun, BadOptionsAreReportedAndTheRunGoesOn) {
    expect(run({"-fwx", "-x", "stray", "-:", "-v"}), kBanner + kDomainLine + kReading + kModel + kErrorLine,
           "Invalid Option\nInvalid Option\nInvalid Option\nInvalid Option\n");
}

TEST_F(SolmetRun, VerbosityTwoListsExamplesAndConfusionMatrix) {
    expect(run({"-f", "wx", "-v", "2"}),
           kBanner + kDomainLine + kReading + kModel +
               "Example 1  Classified no Predict yes \n"
               "Example 2  Classified yes Predict yes \n"
               "Example 3  Classified yes Predict yes \n"
               "Example 4  Classified no Predict no \n" +
               kConfusion + kErrorLine,
           "");
}

const std::string kVerboseExamples =
    "Example 1  Classified no Predict yes [0.538983 0.461017 ]\n"
    "Example 2  Classified yes Predict yes [0.531209 0.468791 ]\n"
    "Example 3  Classified yes Predict yes [0.777300 0.222700 ]\n"
    "Example 4  Classified no Predict no [0.348645 0.651355 ]\n";

TEST_F(SolmetRun, VerbosityThreeAddsProbabilities) {
    expect(run({"-v3", "-f", "wx"}),
           kBanner + kDomainLine + kReading + kModel + kVerboseExamples + kConfusion + kErrorLine, "");
}

// The level is kept in 16 bits: 65539 is 3, 65536 is 0; text that is no number is 0.
TEST_F(SolmetRun, VerbosityWrapsAtSixteenBits) {
    EXPECT_EQ(run({"-f", "wx", "-v", "65539"}).out,
              kBanner + kDomainLine + kReading + kModel + kVerboseExamples + kConfusion + kErrorLine);
    const std::string quiet = kBanner + kDomainLine + kReading + kModel + kErrorLine;
    EXPECT_EQ(run({"-f", "wx", "-v", "65536"}).out, quiet);
    EXPECT_EQ(run({"-f", "wx", "-v", "abc"}).out, quiet);
    EXPECT_EQ(run({"-f", "wx", "-v", "-7"}).out, quiet);
}

TEST_F(SolmetRun, VerbosityFiveShowsDomainAndExamples) {
    const std::string domain =
        "\nPROBLEM NAME :: wx\nNR.ATTRIBUTES :: 2\n\n"
        "Attribute n.1 : outlook\n\tType : nominal\n\tNr.Different Values : 3\n\tValues :: sunny, overcast, rain\n\n"
        "Attribute n.2 : humidity\n\tType : continuous\n\n"
        "Attribute n.3 : play\n\tType : nominal\n\tNr.Different Values : 2\n\tValues :: yes, no\n\n";
    const std::string examples =
        "\nId\tNr.Att\tWeight\tCl\n"
        "1\t2\t1.000\t2\tsunny\t85.500\t\n"
        "2\t2\t1.000\t1\train\t70.000\t\n"
        "3\t2\t1.000\t1\t?\t60.000\t\n"
        "4\t2\t1.000\t2\tovercast\t90.000\t\n";
    expect(run({"-f", "wx", "-v", "5"}),
           kBanner + kDomainLine + kReading + domain + examples + kModel + kVerboseExamples + kConfusion + kErrorLine,
           "");
}

TEST_F(SolmetRun, PredictionsToTheGivenPath) {
    expect(run({"-f", "wx", "-p", "out.txt"}), kBanner + kDomainLine + kReading + kModel + kErrorLine, "");
    EXPECT_EQ(dir.read("out.txt"), kPredictions);
    EXPECT_FALSE(dir.exists("wx.pred"));
    EXPECT_FALSE(dir.exists("out.txt.pred"));
}

TEST_F(SolmetRun, UnopenablePredictionsFileIsReported) {
    expect(run({"-f", "wx", "-p", "missing/out.txt"}), kBanner + kDomainLine + kReading + kModel + kErrorLine,
           "Can not open file missing/out.txt\n");
}

TEST_F(SolmetRun, MissingDomain) {
    expect(run({"-f", "none"}), kBanner, "Read Domain: none.domain Invalid domain file\nFile none.domain Not Found!\n");
}

TEST_F(SolmetRun, MissingTestFile) {
    std::filesystem::remove(dir.file("wx.test"));
    expect(run({"-f", "wx"}), kBanner + kDomainLine, "File wx.test Not Found!\n");
    EXPECT_FALSE(dir.exists("wx.pred"));
}

TEST_F(SolmetRun, MissingCoefficientFile) {
    std::filesystem::remove(dir.file("wx.coef"));
    expect(run({"-f", "wx"}), kBanner + kDomainLine + kReading,
           "Can not open file wx.coef\nCoefficients File wx.coef Not Found!\n");
    EXPECT_FALSE(dir.exists("wx.pred"));
}

TEST_F(SolmetRun, ShortStatistics) {
    const std::string full = weather_coef();
    dir.write("wx.coef", full.substr(0, full.size() - 1));
    expect(run({"-f", "wx"}), kBanner + kDomainLine + kReading, "Coefficients File wx.coef Not Found!\n");
}

TEST_F(SolmetRun, IgnoredAttributesAreDropped) {
    dir.write("wx.domain", "day: ignore, any\n" + kDomain);
    dir.write("wx.test", "d1,sunny,85.5,no\nd2,rain,70,yes\nd3,?,60,yes\nd4 overcast 90 no\n");
    expect(run({"-f", "wx", "-v", "2"}),
           kBanner + "Read domain file: wx.domain (3 Attributes 2 Classes)\n" + "Reading examples.\n" +
               "Redefining domain to 2 Attributes\n" + "Read 4 Examples from file: wx.data\n" + kModel +
               "Example 1  Classified no Predict yes \n"
               "Example 2  Classified yes Predict yes \n"
               "Example 3  Classified yes Predict yes \n"
               "Example 4  Classified no Predict no \n" +
               kConfusion + kErrorLine,
           "");
    EXPECT_EQ(dir.read("wx.pred"), kPredictions);
}

TEST_F(SolmetRun, EmptyTestSet) {
    dir.write("wx.test", "");
    dir.write("wx.pred", "stale\n");
    expect(run({"-f", "wx", "-v", "2"}),
           kBanner + kDomainLine + "Reading examples.\nRead 0 Examples from file: wx.data\n" + kModel +
               "Confusion Matrix:\n\t[1]\t[2]\n[1]\t0\t0\n[2]\t0\t0\n" +
               "\nLinear Discriminant test set Error nan (0 / 0) Test Time: <TIME> (sec)\n",
           "");
    EXPECT_TRUE(dir.exists("wx.pred"));
    EXPECT_EQ(dir.read("wx.pred"), "");
}

class IrisRun : public ::testing::Test {
   protected:
    void SetUp() override {
        for (const char* ext : {".domain", ".test", ".coef"}) {
            const std::string name = std::string("iris") + ext;
            std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / name, dir.file(name));
        }
    }
    TempDir dir;
};

TEST_F(IrisRun, BundledExample) {
    const RunResult r = run_program(kProgram, {"-f", "iris", "-v", "3"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string out = mask_run_output(r.out);
    const std::string head = kBanner +
                             "Read domain file: iris.domain (4 Attributes 3 Classes)\n"
                             "Reading examples.\n"
                             "Read 45 Examples from file: iris.data\n"
                             "\nCoefficients: \n"
                             "+17.94+9.809*[1]+21.63*[2]-28.49*[3]-39.28*[4]\n"
                             "+30.66+2.837*[1]+4.494*[2]-7.326*[3]-15.28*[4]\n"
                             "Number of equations 2 Number of Coefficients 10\n"
                             "Example 1  Classified setosa Predict setosa [";
    const std::string tail =
        "Confusion Matrix:\n\t[1]\t[2]\t[3]\n[1]\t15\t0\t0\n[2]\t0\t15\t0\n[3]\t0\t1\t14\n"
        "\nLinear Discriminant test set Error 0.022222 (1 / 45) Test Time: <TIME> (sec)\n";
    EXPECT_EQ(out.substr(0, head.size()), head);
    ASSERT_GT(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    EXPECT_NE(out.find("\nExample 45  Classified "), std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 11 + 45 + 7);  // head, examples, tail
    const std::string predictions = dir.read("iris.pred");
    EXPECT_EQ(std::count(predictions.begin(), predictions.end(), '\n'), 45);
    EXPECT_EQ(predictions.substr(0, 7), "setosa\n");
}

}  // namespace
