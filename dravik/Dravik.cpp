#include "Dravik.h"

#include <pthread.h>

#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "../common/Ci_instances.h"
#include "../common/utils.h"
#include "BuildTree.h"
#include "classify.h"
#include "data.h"
#include "graph.h"
#include "tree.h"

int16_t TRACE = 0;
int32_t KNN = 0;
std::optional<std::string> GRAPH_PATH;

namespace {

constexpr const char* VERSION = "5.3";

// The descent and the display recurse once per tree level; a tree may have
// MAX_TREE_DEPTH levels, so the run gets a stack far larger than any such path needs.
constexpr size_t RUN_STACK_SIZE = size_t{512} << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The tree classifier's own options: -t the trace level, -K the neighbours, -g the graph.
void set_option(int letter, const std::string& value) {
    if (letter == 't') TRACE = static_cast<int16_t>(c_atoi(value.c_str()));
    if (letter == 'K') KNN = c_atoi(value.c_str());
    if (letter == 'g') GRAPH_PATH = value;
}

void print_tree(const Tree& tree, const Domain& domain, const TreeSummary& summary) {
    std::printf("Decision Tree:\n(Nodes: %d, Leaves: %d, Depth: %d )\n", summary.nodes, summary.leaves, summary.depth);
    Show_Tree(tree, domain, ShowTree);
}

// Classifies the test set with the tree and reports the results; returns the error count.
int32_t classify_and_report(CiDataset& test, Tree& tree, const TreeSummary& summary) {
    const int nr_classes = test.domain.nr_classes();
    int32_t errors = 0;
    const clock_t start = user_cpu_ticks();
    const std::optional<IMatrix> confusion = classify(test, test, tree, errors);
    const clock_t end = user_cpu_ticks();

    if (VERBOSITY > 1 && confusion) {
        std::printf("Confusion Matrix:\n");
        ShowIMatrix(*confusion, 1, nr_classes, 1, nr_classes);
    }
    std::printf("Error rate on test set %f (%d / %ld) (Nodes: %d, Leaves: %d, Depth: %d )\n",
                error_rate(errors, test.nr_instances), errors, static_cast<long>(test.nr_instances), summary.nodes,
                summary.leaves, summary.depth);
    std::printf("\nBrenx Test Time: %6.2f (sec)\n", cpu_seconds(start, end));
    return errors;
}

int run(int argc, char** argv) {
    const std::optional<std::string> dataset = scan_options(argc, argv, "f:v:p:t:K:g:", set_option);
    if (!dataset) {
        print_usage(argc, argv, VERSION);
        return 0;
    }
    const char* name = dataset->c_str();
    print_banner("Brenx - Unseens", VERSION);

    std::optional<Domain> domain = ReadDomain(*dataset, ".domain", Dialect::Main);
    if (!domain) {
        std::fprintf(stderr, "File %s.domain Not Found!\n", name);
        return 0;
    }
    domain->nr_attributes -= 1;  // the last declaration is the class
    std::printf("Read domain file: %s.domain (%d Attributes %d Classes)\n", name, domain->nr_attributes,
                domain->nr_classes());

    const std::unique_ptr<std::FILE, FileCloser> test_file(std::fopen((*dataset + ".test").c_str(), "r"));
    if (!test_file) {
        std::fprintf(stderr, "File %s.test Not Found!\n", name);
        return 0;
    }
    CiDataset test = ReadCiDataset(test_file.get(), *domain, Dialect::Main);
    if (VERBOSITY > 3)
        std::printf("Reading %ld Examples from File %s.test\n", static_cast<long>(test.nr_instances), name);
    if (VERBOSITY > 4) Show_CiInstances(test, 1, test.nr_instances);

    // The tree names attributes as the examples hold them: without IGNORE attributes.
    std::optional<Tree> tree = Read_Tree(*dataset, ReadData, test.domain.nr_classes(), test.domain);
    if (!tree) {
        std::fprintf(stderr, "File %s.tree Not Found!\n", name);
        return 0;
    }
    int32_t depth = 0;
    TreeSummary summary = Recompute_Nodes(*tree, depth);
    summary.depth = depth;

    if (VERBOSITY > 3) print_tree(*tree, test.domain, summary);
    const int32_t errors = classify_and_report(test, *tree, summary);
    if (TRACE > 0) print_tree(*tree, test.domain, summary);
    if (GRAPH_PATH) {
        const GraphCaption caption{*dataset, summary, errors, test.nr_instances};
        if (!write_graph(*GRAPH_PATH, tree_graph(*tree, test.domain, caption))) {
            std::fprintf(stderr, "Can not write file %s\n", GRAPH_PATH->c_str());
            return 1;
        }
    }
    return 0;
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

int dravik_main(int argc, char** argv) {
    RunArguments arguments{argc, argv, 0};
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return run_reporting_memory(argc, argv);
    pthread_t thread;
    // The run is joined at once: one thread of work, only its stack is larger.
    const bool started = pthread_attr_setstacksize(&attributes, RUN_STACK_SIZE) == 0 &&
                         pthread_create(&thread, &attributes, run_thread, &arguments) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) return run_reporting_memory(argc, argv);
    pthread_join(thread, nullptr);
    return arguments.status;
}
