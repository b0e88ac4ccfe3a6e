// Arbitrary bytes as a tree file: whatever tree the reader accepts (its checks passed)
// is summarised, displayed at every verbosity and trace level, used to classify a small
// data set with and without neighbours, and drawn as a graph.
#include "BuildTree.h"
#include "classify.h"
#include "fuzz_support.h"
#include "graph.h"
#include "settings.h"
#include "tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quiet_standard_output();
    static const CiDataset examples = small_data_set(Dialect::Main);  // for reading and display
    BinaryReader file = BinaryReader::from_bytes(data, size);
    std::optional<Tree> tree = Read_Tree(file, ReadData, examples.domain.nr_classes(), examples.domain);
    if (!tree) return 0;
    int32_t depth = 0;
    TreeSummary summary = Recompute_Nodes(*tree, depth);
    summary.depth = depth;
    if (summary.nodes < summary.leaves || summary.depth < 0) std::abort();
    PREDICT_PATH = "/dev/null";
    // Read once per input (reading is what makes these runs slow); its examples keep the
    // derived values of one level's classification into the next, as any example may.
    CiDataset test_set = small_data_set(Dialect::Main);
    for (const int16_t level : {int16_t{0}, int16_t{1}, int16_t{5}}) {
        VERBOSITY = level;
        TRACE = level;
        KNN = level;
        Show_Tree(*tree, examples.domain, ShowTree);
        int32_t errors = 0;
        ClassifyTally tally;
        classify(test_set, test_set, *tree, errors, &tally);
        if (errors < 0 || tally.not_classified < 0 || errors + tally.not_classified > test_set.nr_instances)
            std::abort();
        tree_graph(*tree, test_set.domain, {"fuzz", summary, errors, test_set.nr_instances});
    }
    return 0;
}
