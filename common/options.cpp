// The option scanner and the settings both programs share.
#include "options.h"

#include <sched.h>

#include <algorithm>
#include <cstdio>

#include "numbers.h"

int16_t VERBOSITY = 0;
std::optional<std::string> PREDICT_PATH;
std::optional<std::string> REPORT_PATH;
int32_t THREADS = 0;
std::optional<std::string> TEST_PATH;
bool UNLABELLED = false;
std::optional<std::string> PROBABILITY_PATH;

int thread_count() {
    if (THREADS > 0) return THREADS;
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof cpus, &cpus) != 0) return 1;
    return std::max(CPU_COUNT(&cpus), 1);
}

int mygetopt(OptionScanner& scanner, int argc, const char* const* argv, std::string_view optstring,
             std::string& optarg) {
    if (scanner.position >= argc) return -1;
    const std::string_view word = argv[scanner.position++];
    if (word.empty() || word[0] != '-') return '?';
    if (word.size() < 2) return '?';
    const char letter = word[1];
    const size_t at = optstring.find(letter);
    if (at == std::string_view::npos) return '?';
    if (at + 1 >= optstring.size() || optstring[at + 1] != ':') return letter;
    if (word.size() > 2) {
        optarg = std::string(word.substr(2));
    } else if (scanner.position < argc) {
        optarg = argv[scanner.position++];
    } else {
        return '?';
    }
    return letter;
}

std::optional<std::string> scan_options(int argc, const char* const* argv, std::string_view optstring,
                                        const std::function<void(int letter, const std::string& value)>& other) {
    OptionScanner scanner;
    std::optional<std::string> dataset;
    std::string value;
    for (int option; (option = mygetopt(scanner, argc, argv, optstring, value)) != -1;) {
        if (option == 'f') {
            dataset = value;
        } else if (option == 'v') {
            VERBOSITY = static_cast<int16_t>(c_atoi(value.c_str()));
        } else if (option == 'p') {
            PREDICT_PATH = value;
        } else if (option == 'r') {
            REPORT_PATH = value;
        } else if (option == 'j') {
            THREADS = c_atoi(value);
        } else if (option == 'T') {
            TEST_PATH = value;
        } else if (option == 'u') {
            UNLABELLED = true;
        } else if (option == 's') {
            PROBABILITY_PATH = value;
        } else if (option != '?' && option != ':' && other) {
            other(option, value);
        } else {
            std::fprintf(stderr, "Invalid Option\n");
        }
    }
    return dataset;
}
