// What a program says about how it is used: the usage line, its help and its version.
#pragma once

#include <optional>
#include <span>

// One option of a program's help: its letter, the name of its value, and what it does.
struct OptionHelp {
    char letter;
    const char* value;
    const char* meaning;
};

// A program as its help and version show it.
struct ProgramInfo {
    const char* name;     // "Solmet"
    const char* version;  // the program's own version, "3.1"
    std::span<const OptionHelp> options;
};

// The usage line, on standard error, after an empty line.
void print_usage(int argc, const char* const* argv, const char* version);

// Answers a command line that asks for help (a word that is exactly "-h" or "--help") or
// for the version (exactly "--version"), whichever comes first, on standard output, and
// gives the exit status 0; nothing when no word asks, and nothing is printed then.
std::optional<int> answer_help_or_version(int argc, const char* const* argv, const ProgramInfo& program);
