// The run report: per-class figures and averages, JSON strings, and the file's writing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "report.h"
#include "support/matrices.h"
#include "support/run_program.h"

namespace {

using Ratio = std::optional<double>;
const Ratio null = std::nullopt;

using Figures = std::tuple<int64_t, int64_t, Ratio, Ratio, Ratio>;  // support, predicted, precision, recall, F1

// The iris figures and those of an empty test set are checked in the programs' whole runs;
// here, classes whose ratios are partly or wholly 0/0.
TEST(ReportFigures, PerClassAndOverall) {
    // Kept as predicted x observed: class 1 observed twice, once predicted right and once
    // as class 2, which is never observed; class 3 never appears. One of the 3 examples
    // was not classified.
    const IMatrix sparse = matrix_of<int32_t>(1, {{1, 0, 0}, {1, 0, 0}, {0, 0, 0}});
    const std::vector<ClassFigures> figures = class_figures({&sparse, true}, 3);
    std::vector<Figures> got;
    for (const ClassFigures& f : figures) got.emplace_back(f.support, f.predicted, f.precision, f.recall, f.f1);
    // F1 2*1/3 and 0; the macro F1 leaves class 3 out, the weighted F1 weighs by support.
    EXPECT_EQ(got, (std::vector<Figures>{{2, 1, 1.0, 0.5, 2.0 / 3}, {0, 1, 0.0, null, 0.0}, {0, 0, null, null, null}}));
    // Error rate and accuracy 1/3 each; macro F1 (2/3 + 0) / 2; weighted F1 2 * 2/3 / 2.
    const OverallFigures o = overall_figures(figures, 3, 1);
    EXPECT_EQ((std::vector<Ratio>{o.error_rate, o.accuracy, o.macro_f1, o.weighted_f1}),
              (std::vector<Ratio>{1.0 / 3, 1.0 / 3, (2.0 / 3 + 0.0) / 2, 2 * (2.0 / 3) / 2}));
}

TEST(ReportFigures, JsonStrings) {
    const struct {
        std::string text, json;
    } cases[] = {
        {std::string("\b\f\n\r\x01\x1f\x7f", 7) + '\0', R"("\b\f\n\r\u0001\u001f\u007f\u0000")"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8c\xb3",
         "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8c\xb3\""},   // valid UTF-8 kept
        {"\xc2\x85|\x85", R"("\u0085|\u0085")"},             // C1 controls, in UTF-8 or as a byte
        {"\xc0\xaf|\xed\xa0\x80|\xf4\x90\x80\x80|\xe2\x82",  // overlong, surrogate, too high, cut short
         "\"\xc3\x80\xc2\xaf|\xc3\xad\xc2\xa0\\u0080|\xc3\xb4\\u0090\\u0080\\u0080|\xc3\xa2\\u0082\""},
    };
    for (const auto& c : cases) EXPECT_EQ(json_string(c.text), c.json) << c.json;
}

// A report is renamed into place; when it cannot be, nothing is left behind. A pipe or a
// device is written in place, never replaced by a file renamed over it; a device that
// takes nothing (like /dev/full) is a failed write.
TEST(ReportFile, AtomicWriteAndSpecialFiles) {
    const TempDir dir;
    RunReport report;
    report.program = "Solmet";
    report.classes = {"yes", "no"};
    ASSERT_TRUE(write_report(dir.file("r.json").string(), report));
    std::filesystem::create_directory(dir.file("taken"));
    EXPECT_FALSE(write_report(dir.file("taken").string(), report));
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"r.json", "taken"}));

    const std::string pipe = dir.file("pipe").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(write_report(pipe, report));
    char head[32] = {};
    EXPECT_GT(read(reader, head, sizeof head - 1), 0);
    close(reader);
    EXPECT_TRUE(std::string(head).starts_with("{\n  \"program\": \"Solmet\""));
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));

    const std::string full = dir.file("full").string();
    if (mknod(full.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0) GTEST_SKIP() << "no device nodes here";
    EXPECT_FALSE(write_report(full, report));
    EXPECT_TRUE(std::filesystem::is_character_file(full));
}

}  // namespace
