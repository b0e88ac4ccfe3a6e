// The tree classifier's driver: options, reading, classification, report, graph.
#include "Dravik.h"

#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/block_pipeline.h"
#include "../common/file.h"
#include "../common/predictions.h"
#include "../common/probabilities.h"
#include "../common/replacing_file.h"
#include "../common/report.h"
#include "../common/utils.h"
#include "BuildTree.h"
#include "Combine.h"
#include "classify.h"
#include "data.h"
#include "graph.h"
#include "settings.h"
#include "tree.h"

namespace {

constexpr const char* OPTIONS = "f:v:p:t:K:g:r:j:T:us:";

constexpr OptionHelp OPTION_HELP[] = {
    {'f', "dataset", "read dataset.domain (or dataset.names), dataset.test and dataset.tree; required"},
    {'v', "verbosity", "how much to print, default 0: 3 lists the examples, 4 shows the tree first"},
    {'p', "predictions", "write the predictions to this file instead of dataset.pred"},
    {'t', "trace", "trace level, default 0: above 0 the tree again with each leaf's test counts"},
    {'K', "neighbours", "nearest neighbours voting at leaves with exemplars, default 0 (no vote)"},
    {'g', "graph", "also write the tree to this file as a Graphviz graph"},
    {'r', "report", "write the results of the run to this file as one JSON object"},
    {'j', "threads", "threads that classify, default (or 0) as many as the CPUs the run may use"},
    {'T', "test", "read the test examples from this file instead of dataset.test; - for standard input"},
    {'u', "", "read an example whose class is ? as unlabelled: classified, not counted"},
    {'s', "file", "write each example's class probabilities to this file as CSV"},
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

void print_tree(const Tree& tree, const Domain& domain, const TreeSummary& summary) {
    std::printf("Decision Tree:\n(Nodes: %d, Leaves: %d, Depth: %d )\n", summary.nodes, summary.leaves, summary.depth);
    Show_Tree(tree, domain, ShowTree);
}

// What classifying the test set gave, however it was read.
struct Results {
    Domain domain{};  // the examples' domain, without ignored attributes
    long examples = 0;
    long unlabelled = 0;  // read without a class (-u): classified, in neither the matrix nor the errors
    long rejected_lines = 0;
    std::optional<IMatrix> confusion{};  // [predicted][observed]; none for an empty test set
    int32_t errors = 0;
    ClassifyTally tally{};
    double seconds = 0.0;
    bool test_unreadable = false;        // the test file gave a read error, which ended it
    bool probabilities_lost = false;     // the -s file could not be written in full
    ProbabilityFigures probabilities{};  // of the labelled examples, for the report
};

// The confusion matrix at verbosity 2 and up, the error line and the test time.
void print_results(const Results& results, const TreeSummary& summary) {
    const int nr_classes = results.domain.nr_classes();
    if (VERBOSITY > 1 && results.confusion) {
        std::printf("Confusion Matrix:\n");
        ShowIMatrix(*results.confusion, 1, nr_classes, 1, nr_classes);
    }
    const long labelled = results.examples - results.unlabelled;
    std::printf("Error rate on test set %f (%d / %ld) (Nodes: %d, Leaves: %d, Depth: %d )\n",
                error_rate(results.errors, labelled), results.errors, labelled, summary.nodes, summary.leaves,
                summary.depth);
    if (UNLABELLED) std::printf("Unlabelled examples classified: %ld\n", results.unlabelled);
    std::printf("\nBrenx Test Time: %6.2f (sec)\n", results.seconds);
}

// Writes the -r report of a run; the exit status.
int report_run(const std::string& dataset, const std::string& test_path, const TreeSummary& summary,
               const Results& results) {
    const RunReport report{
        .program = "Dravik",
        .version = DRAVIK_VERSION,
        .dataset = dataset,
        .files = {{"domain", domain_file_name(dataset)}, {"test", test_path}, {"model", dataset + ".tree"}},
        .classes = class_labels(results.domain),
        .examples = results.examples,
        .labelled = results.examples - results.unlabelled,
        .unlabelled = results.unlabelled,
        .rejected_lines = results.rejected_lines,
        .errors = results.errors,
        .confusion = {.matrix = results.confusion ? &*results.confusion : nullptr, .predicted_rows = true},
        .probabilities = results.probabilities,
        .tree_run = TreeRunFigures{.not_classified = results.tally.not_classified,
                                   .nodes = summary.nodes,
                                   .leaves = summary.leaves,
                                   .depth = summary.depth,
                                   .neighbours = std::max(KNN, int32_t{0})},
        .cpu_seconds = results.seconds,
    };
    return write_run_report(report);
}

// What follows the results: the traced tree, failed writes, the graph and the report.
// Returns the exit status.
int finish_run(const std::string& dataset, const std::string& test_path, const Tree& tree, const TreeSummary& summary,
               const Results& results) {
    // The displays after classification show each leaf's test counts.
    const std::optional<Tree> counted =
        TRACE > 0 || GRAPH_PATH ? std::optional(with_test_counts(tree, results.tally.leaves)) : std::nullopt;
    if (TRACE > 0) print_tree(*counted, results.domain, summary);
    int status = results.test_unreadable ? EXIT_RUN_FAILED : 0;
    if (results.tally.predictions_lost) {
        report_unwritten_file(SetPathName(PREDICT_PATH, results.domain.name, ".pred"));
        status = EXIT_RUN_FAILED;
    }
    if (results.probabilities_lost) {
        report_unwritten_file(*PROBABILITY_PATH);
        status = EXIT_RUN_FAILED;
    }
    if (GRAPH_PATH) {
        const GraphCaption caption{dataset, summary, results.errors, results.examples};
        if (!write_graph(*GRAPH_PATH, tree_graph(*counted, results.domain, caption))) {
            std::fprintf(stderr, "Can not write file %s\n", GRAPH_PATH->c_str());
            status = EXIT_RUN_FAILED;
        }
    }
    if (REPORT_PATH && report_run(dataset, test_path, summary, results) != 0) status = EXIT_RUN_FAILED;
    return status;
}

// The run that holds the whole test set: read it, then the tree, then classify.
// A tree read already (silently, and so without a message to place) is taken as it is.
int run_on_whole_set(const std::string& dataset, const std::string& test_path, const Domain& domain,
                     TextReader& test_file, std::optional<Tree> tree) {
    const char* name = dataset.c_str();
    CiDataset test = ReadCiDataset(test_file, domain, Dialect::Main);
    if (VERBOSITY > 3)
        std::printf("Reading %ld Examples from File %s.test\n", static_cast<long>(test.nr_instances), name);
    if (VERBOSITY > 4) Show_CiInstances(test, 1, test.nr_instances);

    // The tree names attributes as the examples hold them: without IGNORE attributes.
    if (!tree) tree = Read_Tree(dataset, ReadData, test.domain.nr_classes(), test.domain);
    if (!tree) {
        std::fprintf(stderr, "File %s.tree Not Found!\n", name);
        return EXIT_RUN_FAILED;
    }
    Ci_ReserveRoom(test, derived_room(*tree, test.domain));  // where it cannot, examples grow one by one
    const TreeSummary summary = summary_of(*tree);
    if (VERBOSITY > 3) print_tree(*tree, test.domain, summary);

    Results results{.domain = test.domain,
                    .examples = test.nr_instances,
                    .unlabelled = count_unlabelled(test),
                    .rejected_lines = test.rejected_lines};
    const clock_t start = user_cpu_ticks();
    const std::unique_ptr<ReplacingFile> probabilities = open_probabilities(test.domain);
    results.confusion =
        classify(test, test, *tree, results.errors, &results.tally, probabilities ? probabilities->stream() : nullptr,
                 REPORT_PATH ? &results.probabilities : nullptr);
    results.probabilities_lost = probabilities && !probabilities->commit();
    results.seconds = cpu_seconds(start, user_cpu_ticks());
    results.test_unreadable = test_file.failed();
    print_results(results, summary);
    return finish_run(dataset, test_path, *tree, summary, results);
}

// The answers of a stream's blocks, put together in file order.
struct StreamTally {
    std::optional<PredictionWriter> predictions;       // opened with the first example, as the whole set's run does
    std::vector<std::pair<long, int>> not_classified;  // example number and observed class, said at the end
};

// The run that streams the test set, when nothing it prints needs the whole set first and
// no leaf reads other examples: the tree is read first, each block of examples is
// classified as it is read, and the output comes in the same order as the whole set's run
// gives it. Nothing, with nothing printed, when the tree cannot be read (the whole set's run
// then says why where it always has), or the predictions file is the test file or the
// standard output; the tree read is left in `tree` for the whole set's run.
std::optional<int> run_streaming(const std::string& dataset, const std::string& test_path, const Domain& domain,
                                 TextReader& test_file, const File& test_stream, std::optional<Tree>& tree) {
    if (VERBOSITY > 2 || TRACE > 0) return std::nullopt;
    Results results{.domain = examples_domain(domain)};
    try {
        tree = Read_Tree(dataset, ReadData, results.domain.nr_classes(), results.domain, Messages::silent());
    } catch (const std::bad_alloc&) {
        return std::nullopt;  // the whole set's run meets it where it always has
    }
    if (!tree) return std::nullopt;
    const CiDataset no_exemplars;
    const CompiledTree compiled(results.domain, no_exemplars, *tree);
    if (!compiled.self_contained()) return std::nullopt;
    const std::string predictions_path = SetPathName(PREDICT_PATH, results.domain.name, ".pred");
    if (names_file_of(predictions_path, test_stream.get()) || names_file_of(predictions_path, stdout))
        return std::nullopt;

    const TreeSummary summary = summary_of(*tree);
    const int nr_classes = std::max(results.domain.nr_classes(), 0);
    const int room = derived_room(*tree, results.domain);
    IMatrix confusion(1, nr_classes, 1, nr_classes);
    StreamTally stream;
    const std::unique_ptr<ReplacingFile> probabilities = open_probabilities(results.domain);
    std::deque<Workspace> workspaces;  // one per worker, made on this thread
    const auto make_classifier = [&]() -> BlockClassifier {
        return tree_block_classifier(compiled, workspaces.emplace_back(compiled));
    };
    ExampleBlocks blocks(test_file, domain, Dialect::Main, static_cast<uint32_t>(room));
    results.seconds = run_block_pipeline(blocks, thread_count(), make_classifier, [&](ExampleBlock& block) {
        if (probabilities && probabilities->stream() != nullptr)
            std::fwrite(block.rows.data(), 1, block.rows.size(), probabilities->stream());
        results.probabilities.add(block.figures);
        if (block.examples.size() > 1 && !stream.predictions)
            stream.predictions.emplace(predictions_path, results.domain, PredictionWriter::Buffering::Blocks);
        for (size_t i = 1; i < block.examples.size(); ++i) {
            const Instance& example = block.examples[i];
            const int predicted = block.predicted[i - 1];
            stream.predictions->write(predicted);
            if (predicted == 0) {
                stream.not_classified.emplace_back(static_cast<long>(example.values[0].value), example.class_value);
                if (example.class_value == 0) ++results.unlabelled;
                continue;
            }
            if (example.class_value == 0) {  // unlabelled (-u): classified, not counted
                ++results.unlabelled;
                continue;
            }
            if (predicted != example.class_value) ++results.errors;
            if (confusion.contains(predicted, example.class_value)) ++confusion.at(predicted, example.class_value);
        }
    });
    results.examples = blocks.examples();
    results.rejected_lines = blocks.rejected();
    results.test_unreadable = test_file.failed();
    if (stream.predictions) {
        stream.predictions->say_if_unopened();
        for (const auto& [number, observed] : stream.not_classified) say_not_classified(number, observed);
        results.tally.predictions_lost = !stream.predictions->close();
        results.confusion = std::move(confusion);
    }
    results.tally.not_classified = static_cast<int32_t>(stream.not_classified.size());
    results.probabilities_lost = probabilities && !probabilities->commit();
    results.tally.leaves.assign(tree->nodes.size(), LeafCount{});
    for (const Workspace& work : workspaces)
        for (size_t id = 0; id < work.tally.size(); ++id) {
            results.tally.leaves[id].cases += work.tally[id].cases;
            results.tally.leaves[id].errors += work.tally[id].errors;
        }
    print_results(results, summary);
    return finish_run(dataset, test_path, *tree, summary, results);
}

int run(int argc, char** argv) {
    if (const auto status = answer_help_or_version(argc, argv, {"Dravik", DRAVIK_VERSION, OPTION_HELP})) return *status;
    const std::optional<std::string> dataset = scan_options(argc, argv, OPTIONS, set_option);
    if (!dataset) {
        print_usage(argc, argv, DRAVIK_VERSION);
        return EXIT_USAGE;
    }
    const char* name = dataset->c_str();
    print_banner("Brenx - Unseens", DRAVIK_VERSION);

    std::optional<Domain> domain = ReadDomain(*dataset, ".domain", Dialect::Main);
    if (!domain) {
        std::fprintf(stderr, "File %s.domain Not Found!\n", name);
        return EXIT_RUN_FAILED;
    }
    domain->nr_attributes -= 1;  // the last declaration is the class
    std::printf("Read domain file: %s.domain (%d Attributes %d Classes)\n", name, domain->nr_attributes,
                domain->nr_classes());

    const std::string test_path = TEST_PATH.value_or(*dataset + ".test");
    const File test_file = open_input(test_path);
    if (!test_file) {
        std::fprintf(stderr, "File %s.test Not Found!\n", name);
        return EXIT_RUN_FAILED;
    }
    TextReader reader(test_file.get());
    std::optional<Tree> tree;
    if (const std::optional<int> status = run_streaming(*dataset, test_path, *domain, reader, test_file, tree))
        return *status;
    return run_on_whole_set(*dataset, test_path, *domain, reader, std::move(tree));
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
