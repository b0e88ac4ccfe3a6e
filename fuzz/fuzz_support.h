// Shared by the fuzz targets: a private scratch folder for the readers that take file
// names, streams over memory for those that take a stream, the layout that splits one
// input into the files of a data set, and a quiet standard output.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "Ci_instances.h"
#include "options.h"

using Bytes = std::span<const uint8_t>;

inline std::string_view as_text(Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

// A folder of this process's own, removed when it ends: in shared memory where there is
// such a folder (whole runs write and sync several files per input, which a disk makes
// ten times slower), else under the temporary folder.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code error;
        const std::filesystem::path shared_memory = "/dev/shm";
        const bool in_memory =
            std::filesystem::is_directory(shared_memory, error) && access(shared_memory.c_str(), W_OK | X_OK) == 0;
        const std::filesystem::path parent = in_memory ? shared_memory : std::filesystem::temp_directory_path();
        std::string pattern = (parent / "classifier-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The path of `name` inside the folder.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    void write(const std::string& name, std::string_view content) const {
        std::FILE* out = std::fopen(file(name).c_str(), "wb");
        if (out == nullptr) std::abort();
        if (!content.empty()) std::fwrite(content.data(), 1, content.size(), out);
        if (std::fclose(out) != 0) std::abort();
    }

    void remove(const std::string& name) const { std::remove(file(name).c_str()); }

private:
    std::filesystem::path path_;
};

inline const ScratchFolder& scratch() {
    static const ScratchFolder folder;
    return folder;
}

// What the programs print on standard output goes nowhere: the targets look at results,
// and writing megabytes of displays to a terminal or a log would only slow them down.
inline void quiet_standard_output() {
    static const bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
    if (!quiet) std::abort();
}

struct StreamCloser {
    void operator()(std::FILE* stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

// A read-only stream over `text`, which must outlive it.
inline Stream memory_stream(std::string_view text) {
    // An empty buffer is not a valid memory stream everywhere: an empty file is.
    if (text.empty()) return Stream(std::fopen("/dev/null", "r"));
    return Stream(fmemopen(const_cast<char*>(text.data()), text.size(), "r"));
}

// One input as a data set: two settings bytes, the lengths of the domain and of the
// test file (two bytes each, big-endian), the domain, the test file, and the model file
// in the rest. Lengths beyond the input are cut to what is there.
struct DataSetInput {
    uint8_t settings[2] = {};
    std::string_view domain;
    std::string_view test;
    Bytes model;
};

inline std::optional<DataSetInput> split_data_set(Bytes input) {
    constexpr size_t header = 6;
    if (input.size() < header) return std::nullopt;
    const auto length = [&](size_t at) { return static_cast<size_t>(input[at]) << 8 | input[at + 1]; };
    Bytes rest = input.subspan(header);
    const size_t domain_size = std::min(length(2), rest.size());
    DataSetInput set{
        .settings = {input[0], input[1]}, .domain = as_text(rest.first(domain_size)), .test = {}, .model = {}};
    rest = rest.subspan(domain_size);
    const size_t test_size = std::min(length(4), rest.size());
    set.test = as_text(rest.first(test_size));
    set.model = rest.subspan(test_size);
    return set;
}

// Writes the data set's files as `base` + ".domain" (or ".names"), ".test" and `model_suffix`,
// and removes what an earlier run left: predictions, report and graph.
inline void write_data_set(const DataSetInput& set, const std::string& base, bool names,
                           const std::string& model_suffix) {
    for (const char* suffix : {".domain", ".names", ".pred", ".json", ".dot", ".csv"}) scratch().remove(base + suffix);
    scratch().write(base + (names ? ".names" : ".domain"), set.domain);
    scratch().write(base + ".test", set.test);
    scratch().write(base + model_suffix, as_text(set.model));
}

// The whole content of a scratch file; nothing when there is no such file.
inline std::optional<std::string> read_scratch(const std::string& name) {
    const Stream in(std::fopen(scratch().file(name).c_str(), "rb"));
    if (!in) return std::nullopt;
    std::string content;
    char block[4096];
    for (size_t got; (got = std::fread(block, 1, sizeof block, in.get())) > 0;) content.append(block, got);
    return content;
}

// The whole number a run report gives `key`; -1 when it gives none.
inline long report_figure(const std::string& report, const std::string& key) {
    const std::string field = "\"" + key + "\": ";
    const size_t at = report.find(field);
    if (at == std::string::npos) return -1;
    return std::strtol(report.c_str() + at + field.size(), nullptr, 10);
}

// What a whole run must hold once its report is written: one prediction line per example
// read (the predictions file in `predictions`; Dravik makes none for an empty test set),
// and no more errors and examples left without an answer than examples. Aborts when it
// does not hold.
inline void check_run(const std::string& report, const std::optional<std::string>& predictions) {
    const long examples = report_figure(report, "examples");
    const long errors = report_figure(report, "errors");
    const long not_classified = std::max(report_figure(report, "not_classified"), 0L);
    if (examples < 0 || errors < 0 || errors + not_classified > examples) std::abort();
    const long lines = predictions ? std::count(predictions->begin(), predictions->end(), '\n') : 0;
    if (lines != examples) std::abort();
}

// Runs a program's entry with these words as its command line.
template <class Main>
int run_program(Main program_main, std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return program_main(static_cast<int>(words.size()), argv.data());
}

// The data set the model readers' targets classify with: the iris domain and a few of
// its examples, some with unknown or don't-care values, so that the bundled iris models
// are valid seeds. Read afresh for every use: classification appends derived values.
inline CiDataset small_data_set(Dialect dialect) {
    static std::optional<Domain> domains[2];  // read once per dialect
    std::optional<Domain>& domain = domains[dialect == Dialect::Main ? 0 : 1];
    if (!domain) {
        scratch().write("small.domain",
                        "sepal_length_cm: continuous\nsepal_width_cm: continuous\npetal_length_cm: continuous\n"
                        "petal_width_cm: continuous\nspecies: setosa, versicolor, virginica\n");
        domain = ReadDomain(scratch().file("small"), ".domain", dialect);
        if (!domain) std::abort();
        domain->nr_attributes -= 1;
    }
    const Stream test = memory_stream(
        "5.1,3.3,1.7,0.5,setosa\n6.0,?,4.8,1.8,virginica\n6.2,2.2,4.5,1.5,versicolor\n?,?,?,?,setosa\n"
        "5.9,3.0,*,1.5,versicolor\n7.7,2.6,6.9,2.3,virginica\n");
    return ReadCiDataset(test.get(), *domain, dialect);
}

// The settings of the options both programs share, as before any option is read: each run
// sets its own.
inline void reset_shared_settings() {
    VERBOSITY = 0;
    PREDICT_PATH.reset();
    REPORT_PATH.reset();
    THREADS = 0;
    TEST_PATH.reset();
    UNLABELLED = false;
    PROBABILITY_PATH.reset();
}

// Adds -u and -s with the scratch file `csv` to a run's words, as asked.
inline void add_unlabelled_and_probabilities(std::vector<std::string>& words, bool unlabelled, bool probabilities,
                                             const std::string& csv) {
    if (unlabelled) words.emplace_back("-u");
    if (probabilities) words.insert(words.end(), {"-s", scratch().file(csv)});
}

// A class probabilities file holds its header and one row per prediction line.
inline void check_probability_rows(const std::optional<std::string>& predictions,
                                   const std::optional<std::string>& csv) {
    if (!predictions || !csv) return;
    const auto lines = [](const std::string& text) { return std::count(text.begin(), text.end(), '\n'); };
    if (lines(*csv) != lines(*predictions) + 1) std::abort();
}
