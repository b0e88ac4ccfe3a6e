// Runs the floor program and both classifiers on the generated data, interleaved over a
// number of rounds, and prints one table of medians: wall time, CPU time (user + system),
// system time, peak resident memory, throughput over the test file, the ratio to the
// floor's wall time, and peak memory per stored value.
//
// Usage: bench_measure --bin folder --data folder [--rounds N]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Run {
    std::string name;
    std::vector<std::string> argv;
    bool reads_test_file;  // the main test file, so throughput and memory per value apply
    int extra_values;      // values per row beyond the data set's own
};

struct Sample {
    double wall = 0.0;
    double cpu = 0.0;
    double sys = 0.0;
    double peak_bytes = 0.0;
};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }

double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs one program with standard output to /dev/null and standard error to `err_path`.
std::optional<Sample> run_once(const Run& run, const std::string& err_path) {
    std::vector<char*> args;
    for (const std::string& a : run.argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const double start = now();
    const pid_t pid = fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        const int out = open("/dev/null", O_WRONLY);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0) _exit(127);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return std::nullopt;
    const double wall = now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench: %s ended with status %d\n", run.name.c_str(), status);
        return std::nullopt;
    }
    return Sample{wall, seconds(usage.ru_utime) + seconds(usage.ru_stime), seconds(usage.ru_stime),
                  static_cast<double>(usage.ru_maxrss) * 1024.0};
}

// The first line a run wrote on standard error, if any.
std::optional<std::string> first_message(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) return line;
    return std::nullopt;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::map<std::string, double> read_info(const std::string& path) {
    std::map<std::string, double> info;
    std::ifstream in(path);
    std::string key;
    double value = 0;
    while (in >> key >> value) info[key] = value;
    return info;
}

}  // namespace

int main(int argc, char** argv) {
    std::string bin = ".", data = ".";
    int rounds = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--bin") bin = argv[i + 1];
        if (option == "--data") data = argv[i + 1];
        if (option == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    std::map<std::string, double> info = read_info(data + "/bench.info");
    if (info["rows"] <= 0) {
        std::fprintf(stderr, "bench: no data in %s (run bench_generate first)\n", data.c_str());
        return 1;
    }
    const double rows = info["rows"];
    const double test_bytes = info["test_bytes"];
    const double per_row = info["values_per_row"];
    const int derived = static_cast<int>(info["derived_max"]);
    const std::string set = data + "/bench";

    const std::vector<Run> runs = {
        {"floor", {bin + "/bench_floor", set + ".test"}, true, 0},
        {"Solmet", {bin + "/Solmet", "-f", set, "-p", "/dev/null"}, true, 0},
        {"Solmet -j 1", {bin + "/Solmet", "-f", set, "-p", "/dev/null", "-j", "1"}, true, 0},
        {"Dravik", {bin + "/Dravik", "-f", set, "-p", "/dev/null"}, true, derived},
        {"Dravik -j 1", {bin + "/Dravik", "-f", set, "-p", "/dev/null", "-j", "1"}, true, derived},
        {"Dravik -K 5", {bin + "/Dravik", "-f", set, "-p", "/dev/null", "-K", "5"}, true, derived},
        {"Dravik -K 5 -j 1", {bin + "/Dravik", "-f", set, "-p", "/dev/null", "-K", "5", "-j", "1"}, true, derived},
        {"Dravik, big tree", {bin + "/Dravik", "-f", data + "/big", "-p", "/dev/null"}, false, 0},
    };

    std::vector<std::vector<Sample>> samples(runs.size());
    std::vector<std::optional<std::string>> messages(runs.size());
    for (int r = 1; r <= rounds; ++r) {
        std::fprintf(stderr, "bench: round %d of %d\n", r, rounds);
        for (size_t i = 0; i < runs.size(); ++i) {
            const std::string err_path = data + "/stderr-" + std::to_string(i) + ".txt";
            const std::optional<Sample> s = run_once(runs[i], err_path);
            if (!s) return 1;
            samples[i].push_back(*s);
            if (!messages[i]) messages[i] = first_message(err_path);
        }
    }

    std::printf(
        "Benchmark: %.0f rows, test file %.1f MB, tree %.0f nodes (%.0f leaves with exemplars), "
        "big tree 100000 nodes; medians of %d rounds\n",
        rows, test_bytes / 1e6, info["tree_nodes"], info["exemplar_leaves"], rounds);
    std::printf("%-18s %8s %8s %8s %9s %8s %8s %8s\n", "run", "wall s", "cpu s", "sys s", "peak MB", "MB/s", "x floor",
                "B/value");
    double floor_wall = 0.0;
    for (size_t i = 0; i < runs.size(); ++i) {
        std::vector<double> wall, cpu, sys, peak;
        for (const Sample& s : samples[i]) {
            wall.push_back(s.wall);
            cpu.push_back(s.cpu);
            sys.push_back(s.sys);
            peak.push_back(s.peak_bytes);
        }
        const double w = median(wall), p = median(peak);
        if (i == 0) floor_wall = w;
        std::printf("%-18s %8.3f %8.3f %8.3f %9.1f", runs[i].name.c_str(), w, median(cpu), median(sys), p / 1e6);
        if (runs[i].reads_test_file)
            std::printf(" %8.1f %8.2f %8.1f\n", test_bytes / 1e6 / w, w / floor_wall,
                        p / (rows * (per_row + runs[i].extra_values)));
        else
            std::printf(" %8s %8s %8s\n", "-", "-", "-");
    }
    std::printf(
        "note: MB = 10^6 bytes; B/value = peak memory / (rows x values per row), %.0f values per row "
        "(24 attributes and the class); for Dravik %.0f, adding the %d derived attributes of the "
        "tree's longest chain of models\n",
        per_row, per_row + derived, derived);
    for (size_t i = 0; i < runs.size(); ++i)
        if (messages[i])
            std::printf("warning: %s wrote on standard error: %s\n", runs[i].name.c_str(), messages[i]->c_str());
    return 0;
}
