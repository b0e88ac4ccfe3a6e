// The command line both programs share: the option scanner and the settings it sets.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Position of the scanner in argv; starts past the program name and only moves forward.
struct OptionScanner {
    int position = 1;
};

// Returns the next option character, '?' for a word it rejects, or -1 when the words
// are used up. The value of an option that takes one is stored in `optarg`.
int mygetopt(OptionScanner& scanner, int argc, const char* const* argv, std::string_view optstring,
             std::string& optarg);

// Amount of progress output (-v), compared as a signed 16-bit value.
extern int16_t VERBOSITY;
// Whole name of the predictions file (-p); when absent, the data set name + ".pred".
extern std::optional<std::string> PREDICT_PATH;
// Name of the JSON report of the run (-r); none: no report.
extern std::optional<std::string> REPORT_PATH;
// Threads that classify (-j); 0 or less: as many as the process may run on.
extern int32_t THREADS;
// Where to write each example's class probabilities as CSV (-s); none: nowhere.
extern std::optional<std::string> PROBABILITY_PATH;
// Examples whose class field is "?" are read as unlabelled (-u): classified, not counted.
extern bool UNLABELLED;
// Name of the test file (-T), "-" for standard input; when absent, the data set name + ".test".
extern std::optional<std::string> TEST_PATH;

// The threads a run uses: THREADS when positive, else the CPUs the process may run on.
int thread_count();

// Scans the command line against `optstring`: -f gives the data set name, -v sets
// VERBOSITY (low 16 bits of atoi), -p sets PREDICT_PATH, -r sets REPORT_PATH, -j sets
// THREADS (atoi), -T sets TEST_PATH, -u sets UNLABELLED, -s sets PROBABILITY_PATH; any
// other letter goes to `other`. Every rejected word prints "Invalid Option" and scanning
// goes on. Returns the data set name, or nothing when -f was not given.
std::optional<std::string> scan_options(int argc, const char* const* argv, std::string_view optstring,
                                        const std::function<void(int letter, const std::string& value)>& other = {});
