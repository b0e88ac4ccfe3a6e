// Running a built program in a scratch folder and reading what it produced.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The whole content of the file at `path` ("" when it cannot be read).
std::string read_file(const std::filesystem::path& path);

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    void write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;

private:
    std::filesystem::path path_;
};

struct RunResult {
    std::string out;
    std::string err;
    int status = -1;  // exit status, or -1 when the program did not exit normally
};

// Runs `program` with `args` in the folder `cwd`, standard input closed, and captures
// its standard output and standard error; standard output goes to `out_file` instead
// when one is named (then `out` stays empty).
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& cwd, const std::string& out_file = "");

// The output with the banner's date replaced by "<DATE>" and every "Test Time:" figure
// replaced by "<TIME>", so that whole outputs can be compared.
std::string mask_run_output(const std::string& out);

// Runs `program` in `cwd` with `args`, then again with `option` `report` added (a run
// report, or the graph with "-g"), and checks that the option changes no other output:
// standard output (masked), standard error but for `added_error` at its end, the file
// `predictions`, and the exit status `status` of both runs, but for 1 when the option's
// file could not be written (`added_error` says so). Returns the file `report` with a
// cpu_seconds figure replaced by "<TIME>", or nothing when it was not written.
std::optional<std::string> run_with_report(const std::string& program, const std::vector<std::string>& args,
                                           const TempDir& cwd, const std::string& predictions,
                                           const std::string& report, int status = 0,
                                           const std::string& added_error = "", const std::string& option = "-r");

// Files of a folder by name: their content, or none for a file that is not there.
using Files = std::map<std::string, std::optional<std::string>>;
// Only the file `name`, with `content` or missing.
inline Files one_file(const std::string& name, const std::optional<std::string>& content) { return {{name, content}}; }

// One whole run of a program on a data set, and all that it should give.
struct WholeRun {
    std::string args;      // separated by spaces
    std::string out, err;  // standard output as mask_run_output shows it, and standard error
    Files given{};         // the data set's files that this run has otherwise
    Files written{};       // every file that the run makes, changes or removes, with its content
    int status = 0;
    std::string out_file{};  // where standard output goes instead of being captured
};

// Runs `program` with `run.args` in a fresh folder holding `data_set` changed by `run.given`,
// and checks its output, error, exit status and the files it writes against `run`.
void check_whole_run(const std::string& program, const Files& data_set, const WholeRun& run);

// A test file of `count` lines made from `good` lines (comma-separated, class last), with
// hostile ones spread over many blocks: unknown classes, too few and too many fields,
// blank lines, a comment line after every 10,000th example (where a block ends), and no
// line end after the last line.
std::string hostile_test_file(const std::vector<std::string>& good, long count);

// Runs `program` with `args` (and -r with a report) at one thread and at eight in one folder
// holding `data_set`, and checks that both give the same: standard output (masked),
// standard error, exit status 0, the predictions file `predictions` and the report; then
// once more at `-v` `holding_verbosity`, where the run holds the whole test set, which must
// give the same predictions, standard error and report.
void check_same_at_any_threads(const std::string& program, const Files& data_set, const std::vector<std::string>& args,
                               const std::string& predictions, const std::string& holding_verbosity);

// Each run at one thread and at four (more than there are cores), which must give the same.
void check_whole_runs(const std::string& program, const Files& data_set, const std::vector<WholeRun>& runs);
