#include "run_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
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
    std::ofstream out(file(name), std::ios::binary);
    out << content;
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TempDir::read(const std::string& name) const { return read_file(file(name)); }

bool TempDir::exists(const std::string& name) const { return fs::exists(file(name)); }

RunResult run_program(const std::string& program, const std::vector<std::string>& args, const fs::path& cwd,
                      const std::string& out_file) {
    TempDir capture;
    const std::string out_path = out_file.empty() ? capture.file("stdout").string() : out_file;
    const std::string err_path = capture.file("stderr").string();

    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    RunResult result;
    int wstatus = 0;
    if (pid > 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
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
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(reporting.status, status);
    if (!cwd.exists(report)) return std::nullopt;
    static const std::regex seconds(R"("cpu_seconds": [0-9.e+-]+)");
    return std::regex_replace(cwd.read(report), seconds, R"("cpu_seconds": <TIME>)");
}
