// A whole run of Solmet on one input split into a domain, a test file and a coefficient
// file (see split_data_set): the first settings byte gives the verbosity (low three
// bits), unlabelled examples (-u, bit 3), the class probabilities file (-s, bit 4) and
// whether the domain is a ".names" file (top bit). The run must give one prediction line
// (and one probability row) per example read and no more errors than examples.
#include "Solmet.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quiet_standard_output();
    const std::optional<DataSetInput> set = split_data_set(Bytes(data, size));
    if (!set) return 0;
    write_data_set(*set, "s", (set->settings[0] & 0x80) != 0, ".coef");
    reset_shared_settings();
    std::vector<std::string> words{"Solmet",
                                   "-f",
                                   scratch().file("s"),
                                   "-v",
                                   std::to_string(set->settings[0] & 7),
                                   "-r",
                                   scratch().file("s.json")};
    add_unlabelled_and_probabilities(words, set->settings[0] & 0x08, set->settings[0] & 0x10, "s.csv");
    const int status = run_program(solmet_main, words);
    if (status != 0 && status != 1) std::abort();
    if (const std::optional<std::string> report = read_scratch("s.json")) check_run(*report, read_scratch("s.pred"));
    check_probability_rows(read_scratch("s.pred"), read_scratch("s.csv"));
    return 0;
}
