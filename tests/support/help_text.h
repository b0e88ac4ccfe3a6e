// The lines of the help that both programs print alike, after their own options.
#pragma once

#include <string>

inline const std::string kHelpOfEveryProgram =
    "  -r report       write the results of the run to this file as one JSON object\n"
    "  -j threads      threads that classify, default (or 0) as many as the CPUs the run may use\n"
    "  -T test         read the test examples from this file instead of dataset.test; - for standard input\n"
    "  -u              read an example whose class is ? as unlabelled: classified, not counted\n"
    "  -s file         write each example's class probabilities to this file as CSV\n"
    "  -h, --help      print this help and exit\n"
    "  --version       print the version and exit\n";
