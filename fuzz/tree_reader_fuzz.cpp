// Arbitrary bytes as a tree file: whatever tree the reader accepts is summarised,
// displayed, used to classify a small data set with every trace on, and drawn as a graph.
#include "BuildTree.h"
#include "Dravik.h"
#include "classify.h"
#include "fuzz_support.h"
#include "graph.h"
#include "tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CiDataset examples = scratch_data_set(Dialect::Main);
    write_scratch(".tree", data, size);
    std::optional<Tree> tree = Read_Tree(scratch_base(), ReadData, examples.domain.nr_classes(), examples.domain);
    if (!tree) return 0;
    int32_t depth = 0;
    const TreeSummary summary = Recompute_Nodes(*tree, depth);
    VERBOSITY = 3;
    TRACE = 5;
    KNN = 2;
    PREDICT_PATH = "/dev/null";
    Show_Tree(*tree, examples.domain, ShowTree);
    CiDataset copy = examples;  // classification appends derived attributes
    int32_t errors = 0;
    classify(copy, copy, *tree, errors);
    tree_graph(*tree, copy.domain, {"fuzz", summary, errors, copy.nr_instances});
    return 0;
}
