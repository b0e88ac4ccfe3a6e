// What both drivers do around a run: exit statuses, banner, error rate, CPU time, path
// names and the reporting of failed writes and of memory running out.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// Thrown after the reporting site printed its out-of-memory message; main exits with 1.
struct OutOfMemory {};

// Exit statuses: a run that classified its test set ends with 0; one that could not read
// a file it needs, or could not write one, or ran out of memory, with 1; a command line
// without a data set, with 2.
constexpr int EXIT_RUN_FAILED = 1;
constexpr int EXIT_USAGE = 2;

// `path` when one was given, else `a` followed by `b`.
std::string SetPathName(const std::optional<std::string>& path, std::string_view a, std::string_view b);

// The banner: `title`, the version and the local date and time as ctime gives them.
void print_banner(const char* title, const char* version);

// errors / examples as reals; an empty set has no rate and gives a NaN that prints "nan".
double error_rate(long errors, long examples);

// User CPU time of the process in clock ticks.
clock_t user_cpu_ticks();
// Seconds between two samples, at the fixed 100 ticks per second the reports use.
double cpu_seconds(clock_t start, clock_t end);

// "Can not write file PATH" on standard error, after everything printed so far.
void report_unwritten_file(const std::string& path);

// Flushes standard output at the end of a run. When it did not take everything the run
// printed (a full disk, a closed descriptor), says so on standard error and gives 1;
// else `status`.
int finish_standard_output(int status);
