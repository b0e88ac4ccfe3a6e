// The usage line, the help with a line per option, and the version line.
#include "usage.h"

#include <cstdio>
#include <string_view>

// PACKAGE_NAME and PACKAGE_VERSION come from the build, which defines them once.

namespace {

const char* program_path(int argc, const char* const* argv) { return argc > 0 && argv[0] != nullptr ? argv[0] : ""; }

void print_help(int argc, const char* const* argv, const ProgramInfo& program) {
    std::printf("Use:%s -f dataset [-v Verbose][-p prediction path](Version %s)\n", program_path(argc, argv),
                program.version);
    for (const OptionHelp& option : program.options)
        std::printf("  -%c %-12s %s\n", option.letter, option.value, option.meaning);
    std::printf("  -h, --help      %s\n", "print this help and exit");
    std::printf("  --version       %s\n", "print the version and exit");
}

}  // namespace

void print_usage(int argc, const char* const* argv, const char* version) {
    std::fprintf(stderr, "\nUse:%s -f dataset [-v Verbose][-p prediction path](Version %s)\n", program_path(argc, argv),
                 version);
}

std::optional<int> answer_help_or_version(int argc, const char* const* argv, const ProgramInfo& program) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr) continue;
        const std::string_view word = argv[i];
        if (word == "-h" || word == "--help") {
            print_help(argc, argv, program);
            return 0;
        }
        if (word == "--version") {
            std::printf("%s %s (%s %s)\n", program.name, program.version, PACKAGE_NAME, PACKAGE_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}
