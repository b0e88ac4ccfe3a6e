// A whole run of Dravik on one input split into a domain, a test file and a tree file
// (see split_data_set). The first settings byte gives the verbosity (bits 0-2), the trace
// level (bits 3-5), whether the domain is a ".names" file (bit 6) and whether the graph
// is drawn (bit 7); the second, as a signed byte, the number of neighbours, and its bits 5
// and 4 also ask for unlabelled examples (-u) and the class probabilities file (-s). Exemplars
// thus point into a fuzzed test set and derived attributes meet fuzzed trees. The run
// must give one prediction line per example read, and no more errors and examples
// without an answer than examples.
#include "Dravik.h"
#include "fuzz_support.h"
#include "options.h"
#include "settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quiet_standard_output();
    const std::optional<DataSetInput> set = split_data_set(Bytes(data, size));
    if (!set) return 0;
    const uint8_t settings = set->settings[0];
    write_data_set(*set, "d", (settings & 0x40) != 0, ".tree");
    reset_shared_settings();
    TRACE = 0;
    KNN = 0;
    GRAPH_PATH.reset();
    std::vector<std::string> words{"Dravik",
                                   "-f",
                                   scratch().file("d"),
                                   "-v",
                                   std::to_string(settings & 7),
                                   "-t",
                                   std::to_string(settings >> 3 & 7),
                                   "-K",
                                   std::to_string(static_cast<int8_t>(set->settings[1])),
                                   "-r",
                                   scratch().file("d.json")};
    if ((settings & 0x80) != 0) words.insert(words.end(), {"-g", scratch().file("d.dot")});
    add_unlabelled_and_probabilities(words, set->settings[1] & 0x20, set->settings[1] & 0x10, "d.csv");
    const int status = run_program(dravik_main_on_this_thread, words);
    if (status != 0 && status != 1) std::abort();
    if (const std::optional<std::string> report = read_scratch("d.json")) check_run(*report, read_scratch("d.pred"));
    check_probability_rows(read_scratch("d.pred"), read_scratch("d.csv"));
    return 0;
}
