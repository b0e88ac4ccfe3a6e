#include "run_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "classifier-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void TempDir::write(const std::string& name, const std::string& content) const {
    std::ofstream(file(name), std::ios::binary) << content;
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string TempDir::read(const std::string& name) const { return read_file(file(name)); }

RunResult run_program(const std::string& program, const std::vector<std::string>& args, const fs::path& cwd,
                      const std::string& out_file) {
    TempDir capture;
    const std::string out_path = out_file.empty() ? capture.file("stdout").string() : out_file;
    const std::string err_path = capture.file("stderr").string();

    std::vector<char*> argv{const_cast<char*>(program.c_str())};  // posix_spawn changes none of the words
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    // The files are opened in the test's folder, then the child moves to `cwd`.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    RunResult result;
    int wstatus = 0;
    if (spawned == 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
    if (out_file.empty()) result.out = capture.read("stdout");
    result.err = capture.read("stderr");
    return result;
}

std::string mask_run_output(const std::string& out) {
    // ctime form: "Sun Dec  6 23:25:15 2026"
    static const std::regex date(R"([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4})");
    static const std::regex time(R"(Test Time: *-?[0-9]+\.[0-9]+)");
    return std::regex_replace(std::regex_replace(out, date, "<DATE>"), time, "Test Time: <TIME>");
}

std::optional<std::string> run_with_report(const std::string& program, const std::vector<std::string>& args,
                                           const TempDir& cwd, const std::string& predictions,
                                           const std::string& report, int status, const std::string& added_error,
                                           const std::string& option) {
    const RunResult plain = run_program(program, args, cwd.path());
    const std::string plain_predictions = cwd.read(predictions);
    std::vector<std::string> reporting_args = args;
    reporting_args.insert(reporting_args.end(), {option, report});
    const RunResult reporting = run_program(program, reporting_args, cwd.path());
    EXPECT_EQ(mask_run_output(reporting.out), mask_run_output(plain.out));
    EXPECT_EQ(reporting.err, plain.err + added_error);
    EXPECT_EQ(cwd.read(predictions), plain_predictions);
    EXPECT_EQ(plain.status, status);
    EXPECT_EQ(reporting.status, added_error.empty() ? status : 1);
    if (!fs::exists(cwd.file(report))) return std::nullopt;
    static const std::regex seconds(R"("cpu_seconds": [0-9.e+-]+)");
    return std::regex_replace(cwd.read(report), seconds, R"("cpu_seconds": <TIME>)");
}

void check_whole_run(const std::string& program, const Files& data_set, const WholeRun& run) {
    SCOPED_TRACE(run.args + (run.given.empty() ? "" : ", other " + run.given.begin()->first));
    const TempDir dir;
    Files files = run.given;
    files.insert(data_set.begin(), data_set.end());  // where `given` names none
    for (const auto& [name, content] : files)
        if (content) dir.write(name, *content);
    std::istringstream words(run.args);
    const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
    const RunResult result = run_program(program, args, dir.path(), run.out_file);
    EXPECT_EQ(mask_run_output(result.out), run.out);
    EXPECT_EQ(result.err, run.err);
    EXPECT_EQ(result.status, run.status);
    // The regular files in the folder now, named by their path from it, but for those that
    // are as they were before the run.
    Files written;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir.path()))
        if (entry.is_regular_file()) written[fs::relative(entry.path(), dir.path()).string()] = read_file(entry.path());
    for (const auto& [name, content] : files)
        if (written[name] == content) written.erase(name);
    EXPECT_EQ(written, run.written);
}

void check_whole_runs(const std::string& program, const Files& data_set, const std::vector<WholeRun>& runs) {
    for (const char* threads : {"-j 1 ", "-j 4 "}) {
        for (WholeRun run : runs) {
            run.args = threads + run.args;
            check_whole_run(program, data_set, run);
        }
    }
}

std::string hostile_test_file(const std::vector<std::string>& good, long count) {
    std::string text;
    long accepted = 0;
    for (long i = 1; i <= count; ++i) {
        std::string line = good[static_cast<size_t>(i) % good.size()];
        const size_t last_comma = line.rfind(',');
        if (i % 997 == 0) {
            line = line.substr(0, last_comma) + ",maybe";
        } else if (i % 1499 == 0) {
            line = line.substr(0, line.rfind(',', last_comma - 1));
        } else if (i % 1201 == 0) {
            line.clear();
        } else {
            if (i % 3001 == 0) line += ",extra";  // its last field starts the next line's example
            if (++accepted % 10000 == 0) line += "\n| the end of a block, with, fields";
        }
        text += line + (i < count ? "\n" : "");
    }
    return text;
}

void check_same_at_any_threads(const std::string& program, const Files& data_set, const std::vector<std::string>& args,
                               const std::string& predictions, const std::string& holding_verbosity) {
    const TempDir dir;
    for (const auto& [name, content] : data_set)
        if (content) dir.write(name, *content);
    struct Outcome {
        RunResult run;
        std::string predictions, report;
    };
    const auto run_with = [&](std::vector<std::string> more) {
        std::vector<std::string> words = args;
        words.insert(words.end(), more.begin(), more.end());
        words.insert(words.end(), {"-r", "report.json"});
        Outcome outcome{run_program(program, words, dir.path()), dir.read(predictions), dir.read("report.json")};
        static const std::regex seconds(R"("cpu_seconds": [0-9.e+-]+)");
        outcome.report = std::regex_replace(outcome.report, seconds, "");
        outcome.run.out = mask_run_output(outcome.run.out);
        EXPECT_EQ(outcome.run.status, 0);
        EXPECT_NE(outcome.report, "");
        return outcome;
    };
    const Outcome one = run_with({"-j", "1"});
    const Outcome eight = run_with({"-j", "8"});
    const Outcome whole = run_with({"-j", "8", "-v", holding_verbosity});
    EXPECT_EQ(one.run.out, eight.run.out);
    for (const Outcome* other : {&eight, &whole}) {
        EXPECT_EQ(one.run.err, other->run.err);
        EXPECT_TRUE(one.predictions == other->predictions);
        EXPECT_EQ(one.report, other->report);
    }
    EXPECT_GT(std::count(one.predictions.begin(), one.predictions.end(), '\n'), 30000);
}
