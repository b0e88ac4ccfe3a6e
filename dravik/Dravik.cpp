// The tree classifier's driver: options, reading, classification, report, graph.
#include "Dravik.h"

#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "../common/Ci_instances.h"
#include "../common/file.h"
#include "../common/report.h"
#include "../common/utils.h"
#include "BuildTree.h"
#include "classify.h"
#include "data.h"
#include "graph.h"
#include "settings.h"
#include "tree.h"

namespace {

constexpr const char* VERSION = "5.3";
constexpr const char* OPTIONS = "f:v:p:t:K:g:r:";

constexpr OptionHelp OPTION_HELP[] = {
    {'f', "dataset", "read dataset.domain (or dataset.names), dataset.test and dataset.tree; required"},
    {'v', "verbosity", "how much to print, default 0: 3 lists the examples, 4 shows the tree first"},
    {'p', "predictions", "write the predictions to this file instead of dataset.pred"},
    {'t', "trace", "trace level, default 0: above 0 the tree again with each leaf's test counts"},
    {'K', "neighbours", "nearest neighbours voting at leaves with exemplars, default 0 (no vote)"},
    {'g', "graph", "also write the tree to this file as a Graphviz graph"},
    {'r', "report", "write the results of the run to this file as one JSON object"},
};

// The descent and the display recurse once per tree level; a tree may have
// MAX_TREE_DEPTH levels, so the run gets a stack far larger than any such path needs.
constexpr size_t RUN_STACK_SIZE = size_t{512} << 20;

// The tree classifier's own options: -t the trace level, -K the neighbours, -g the graph.
void set_option(int letter, const std::string& value) {
    if (letter == 't') TRACE = static_cast<int16_t>(c_atoi(value.c_str()));
    if (letter == 'K') KNN = c_atoi(value.c_str());
    if (letter == 'g') GRAPH_PATH = value;
}

// Room for the derived values the tree's models can append past the domain's attributes,
// given to every example once so that they need not grow one by one. A tree that claims
// far more than its domain (beyond four times its width, or 64 values, and never more
// than 1024) gets none: its examples grow on demand, as far as the descent really takes
// them.
int derived_room(const Tree& tree, const Domain& domain) {
    const int64_t own = domain.nr_attributes;
    const int64_t extra = widest_example(tree, domain) - own;
    const int64_t limit = std::min<int64_t>(std::max<int64_t>(4 * (own + 1), 64), 1024);
    return extra > 0 && extra <= limit ? static_cast<int>(extra) : 0;
}

void print_tree(const Tree& tree, const Domain& domain, const TreeSummary& summary) {
    std::printf("Decision Tree:\n(Nodes: %d, Leaves: %d, Depth: %d )\n", summary.nodes, summary.leaves, summary.depth);
    Show_Tree(tree, domain, ShowTree);
}

// What the classification of the test set gave.
struct Results {
    std::optional<IMatrix> confusion;  // [predicted][observed]; none for an empty test set
    int32_t errors = 0;
    ClassifyTally tally;
    double seconds = 0.0;
};

// Classifies the test set with the tree and reports the results.
Results classify_and_report(CiDataset& test, const Tree& tree, const TreeSummary& summary) {
    const int nr_classes = test.domain.nr_classes();
    Results results;
    const clock_t start = user_cpu_ticks();
    results.confusion = classify(test, test, tree, results.errors, &results.tally);
    const clock_t end = user_cpu_ticks();
    results.seconds = cpu_seconds(start, end);

    if (VERBOSITY > 1 && results.confusion) {
        std::printf("Confusion Matrix:\n");
        ShowIMatrix(*results.confusion, 1, nr_classes, 1, nr_classes);
    }
    std::printf("Error rate on test set %f (%d / %ld) (Nodes: %d, Leaves: %d, Depth: %d )\n",
                error_rate(results.errors, test.nr_instances), results.errors, static_cast<long>(test.nr_instances),
                summary.nodes, summary.leaves, summary.depth);
    std::printf("\nBrenx Test Time: %6.2f (sec)\n", results.seconds);
    return results;
}

// Writes the -r report of a run; the exit status.
int write_run_report(const std::string& dataset, const CiDataset& test, const TreeSummary& summary,
                     const Results& results) {
    const RunReport report{
        .program = "Dravik",
        .version = VERSION,
        .dataset = dataset,
        .files = {{"domain", domain_file_name(dataset)}, {"test", dataset + ".test"}, {"model", dataset + ".tree"}},
        .classes = class_labels(test.domain),
        .examples = test.nr_instances,
        .rejected_lines = test.rejected_lines,
        .errors = results.errors,
        .confusion = {.matrix = results.confusion ? &*results.confusion : nullptr, .predicted_rows = true},
        .tree_run = TreeRunFigures{.not_classified = results.tally.not_classified,
                                   .nodes = summary.nodes,
                                   .leaves = summary.leaves,
                                   .depth = summary.depth,
                                   .neighbours = std::max(KNN, int32_t{0})},
        .cpu_seconds = results.seconds,
    };
    if (write_report(*REPORT_PATH, report)) return 0;
    report_unwritten_file(*REPORT_PATH);
    return 1;
}

int run(int argc, char** argv) {
    if (const auto status = answer_help_or_version(argc, argv, {"Dravik", VERSION, OPTION_HELP})) return *status;
    const std::optional<std::string> dataset = scan_options(argc, argv, OPTIONS, set_option);
    if (!dataset) {
        print_usage(argc, argv, VERSION);
        return EXIT_USAGE;
    }
    const char* name = dataset->c_str();
    print_banner("Brenx - Unseens", VERSION);

    std::optional<Domain> domain = ReadDomain(*dataset, ".domain", Dialect::Main);
    if (!domain) {
        std::fprintf(stderr, "File %s.domain Not Found!\n", name);
        return EXIT_RUN_FAILED;
    }
    domain->nr_attributes -= 1;  // the last declaration is the class
    std::printf("Read domain file: %s.domain (%d Attributes %d Classes)\n", name, domain->nr_attributes,
                domain->nr_classes());

    const File test_file = File::open(*dataset + ".test", "r");
    if (!test_file) {
        std::fprintf(stderr, "File %s.test Not Found!\n", name);
        return EXIT_RUN_FAILED;
    }
    CiDataset test = ReadCiDataset(test_file.get(), *domain, Dialect::Main);
    if (VERBOSITY > 3)
        std::printf("Reading %ld Examples from File %s.test\n", static_cast<long>(test.nr_instances), name);
    if (VERBOSITY > 4) Show_CiInstances(test, 1, test.nr_instances);

    // The tree names attributes as the examples hold them: without IGNORE attributes.
    std::optional<Tree> tree = Read_Tree(*dataset, ReadData, test.domain.nr_classes(), test.domain);
    if (!tree) {
        std::fprintf(stderr, "File %s.tree Not Found!\n", name);
        return EXIT_RUN_FAILED;
    }
    Ci_ReserveRoom(test, derived_room(*tree, test.domain));  // where it cannot, examples grow one by one
    int32_t depth = 0;
    TreeSummary summary = Recompute_Nodes(*tree, depth);
    summary.depth = depth;

    if (VERBOSITY > 3) print_tree(*tree, test.domain, summary);
    const Results results = classify_and_report(test, *tree, summary);
    // The displays after classification show each leaf's test counts.
    const std::optional<Tree> counted =
        TRACE > 0 || GRAPH_PATH ? std::optional(with_test_counts(*tree, results.tally.leaves)) : std::nullopt;
    if (TRACE > 0) print_tree(*counted, test.domain, summary);
    int status = 0;
    if (results.tally.predictions_lost) {
        report_unwritten_file(SetPathName(PREDICT_PATH, test.domain.name, ".pred"));
        status = 1;
    }
    if (GRAPH_PATH) {
        const GraphCaption caption{*dataset, summary, results.errors, test.nr_instances};
        if (!write_graph(*GRAPH_PATH, tree_graph(*counted, test.domain, caption))) {
            std::fprintf(stderr, "Can not write file %s\n", GRAPH_PATH->c_str());
            status = 1;
        }
    }
    if (REPORT_PATH && write_run_report(*dataset, test, summary, results) != 0) status = 1;
    return status;
}

int run_reporting_memory(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const OutOfMemory&) {
        return 1;  // the example reader has printed its message
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "Out of memory!\n");
        return 1;
    }
}

struct RunArguments {
    int argc;
    char** argv;
    int status;
};

void* run_thread(void* arguments) {
    auto* run_arguments = static_cast<RunArguments*>(arguments);
    run_arguments->status = run_reporting_memory(run_arguments->argc, run_arguments->argv);
    return nullptr;
}

}  // namespace

int dravik_main_on_this_thread(int argc, char** argv) {
    return finish_standard_output(run_reporting_memory(argc, argv));
}

int dravik_main(int argc, char** argv) {
    RunArguments arguments{argc, argv, 0};
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return dravik_main_on_this_thread(argc, argv);
    pthread_t thread;
    // The run is joined at once: one thread of work, only its stack is larger.
    const bool started = pthread_attr_setstacksize(&attributes, RUN_STACK_SIZE) == 0 &&
                         pthread_create(&thread, &attributes, run_thread, &arguments) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) return dravik_main_on_this_thread(argc, argv);
    pthread_join(thread, nullptr);
    return finish_standard_output(arguments.status);
}
