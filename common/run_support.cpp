// Banner, error rate, CPU time and the reporting of failed writes.
#include "run_support.h"

#include <sys/times.h>

#include <cstdio>
#include <limits>

std::string SetPathName(const std::optional<std::string>& path, std::string_view a, std::string_view b) {
    if (path) return *path;
    std::string joined(a);
    joined.append(b);
    return joined;
}

void print_banner(const char* title, const char* version) {
    const std::time_t now = std::time(nullptr);
    const char* date = std::ctime(&now);
    std::printf("\n%s Version %s  %s\n", title, version, date != nullptr ? date : "\n");
}

double error_rate(long errors, long examples) {
    if (examples == 0) return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(errors) / static_cast<double>(examples);
}

clock_t user_cpu_ticks() {
    tms sample{};
    times(&sample);
    return sample.tms_utime;
}

double cpu_seconds(clock_t start, clock_t end) { return static_cast<double>(end - start) / 100.0; }

void report_unwritten_file(const std::string& path) {
    std::fflush(stdout);  // the message comes after everything the run printed
    std::fprintf(stderr, "Can not write file %s\n", path.c_str());
}

int finish_standard_output(int status) {
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return status;
    std::fprintf(stderr, "Can not write the standard output\n");
    return 1;
}
