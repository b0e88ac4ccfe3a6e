// The models the Python module applies.
#include "models.h"

#include <algorithm>
#include <cerrno>
#include <deque>

#include "../common/file.h"
#include "../common/report.h"
#include "../dravik/classify.h"
#include "../dravik/data.h"
#include "../dravik/engine.h"
#include "../dravik/settings.h"
#include "../solmet/coeficients.h"

namespace {

// The errno of opening `path` for reading; 0 when it opens.
int open_error(const std::string& path) {
    errno = 0;
    const File file = File::open(path, "r");
    return file ? 0 : (errno != 0 ? errno : ENOENT);
}

// Refuses a model file with what the program says on standard error about it: the
// messages the reader kept and the program's own line after them; only that line for a
// file that could not be opened.
[[noreturn]] void refuse(const std::string& kept, const std::string& line, const std::string& path) {
    const int error = open_error(path);
    std::string message = error != 0 ? line : kept + line;
    while (!message.empty() && message.back() == '\n') message.pop_back();
    throw LoadError(message, path, error);
}

Model read_domain(const std::string& dataset, Model::Kind kind) {
    Model model;
    model.kind = kind;
    model.dataset = dataset;
    std::string kept;
    std::optional<Domain> domain = ReadDomain(dataset, ".domain", model.dialect(), Messages::kept_in(kept));
    if (!domain) {
        const std::string read = domain_file_name(dataset);  // .names only when .domain cannot be opened
        refuse(kept, "File " + dataset + ".domain Not Found!\n", open_error(read) != 0 ? dataset + ".domain" : read);
    }
    domain->nr_attributes -= 1;  // the last declaration is the class
    model.declared = std::move(*domain);
    model.domain = examples_domain(model.declared);
    return model;
}

}  // namespace

Model load_tree(const std::string& dataset) {
    Model model = read_domain(dataset, Model::Kind::Tree);
    std::string kept;
    model.tree = Read_Tree(dataset, ReadData, model.domain.nr_classes(), model.domain, Messages::kept_in(kept));
    if (!model.tree) refuse(kept, "File " + dataset + ".tree Not Found!\n", dataset + ".tree");
    model.summary = summary_of(*model.tree);
    return model;
}

Model load_coefficients(const std::string& dataset) {
    Model model = read_domain(dataset, Model::Kind::Coefficients);
    std::string kept;
    model.stats = read_coeficientes(dataset, model.domain, model.coefficients, Messages::kept_in(kept));
    if (!model.stats) refuse(kept, "Coefficients File " + dataset + ".coef Not Found!\n", dataset + ".coef");
    return model;
}

uint32_t derived_room(const Model& model) {
    return model.tree ? static_cast<uint32_t>(derived_room(*model.tree, model.domain)) : 0;
}

double classify(const Model& model, BlockSource& source, const Request& request,
                const std::function<void(ExampleBlock& block)>& merge) {
    const int threads = request.threads > 0 ? request.threads : thread_count();
    if (!model.tree) {
        const auto make_classifier = [&] {
            return block_classifier(model.domain, model.coefficients.matrix, *model.stats, model.domain.nr_attributes,
                                    request.outputs);
        };
        return run_block_pipeline(source, threads, make_classifier, merge);
    }
    const CiDataset no_exemplars;
    const CompiledTree compiled(model.domain, no_exemplars, *model.tree, request.neighbours);
    if (compiled.self_contained()) {
        std::deque<Workspace> workspaces;  // one per worker, made on this thread
        const auto make_classifier = [&] {
            return tree_block_classifier(compiled, workspaces.emplace_back(compiled), request.outputs);
        };
        return run_block_pipeline(source, threads, make_classifier, merge);
    }
    // The exemplars are the examples themselves: the whole set, classified in order.
    CiDataset whole;
    whole.domain = model.domain;
    whole.instances = source.stream_block();
    while (source.read_block(whole.instances)) {
    }
    whole.nr_instances = static_cast<int>(whole.instances.size()) - 1;
    const CompiledTree with_exemplars(model.domain, whole, *model.tree, request.neighbours);
    Workspace work(with_exemplars);
    for (NorvexWork& norvex : work.norvex_work) norvex.warns = false;  // a library prints nothing
    ExampleBlock block;
    block.examples = std::move(whole.instances);  // the examples stay where the leaves found them
    const clock_t start = user_cpu_ticks();
    tree_block_classifier(with_exemplars, work, request.outputs)(block);
    const double seconds = cpu_seconds(start, user_cpu_ticks());
    merge(block);
    return seconds;
}

namespace {

// What the examples of a run add up to, counted as the program counts them.
struct RunCounts {
    explicit RunCounts(const Model& model)
        : confusion(1, std::max(model.domain.nr_classes(), 0), 1, std::max(model.domain.nr_classes(), 0)) {}
    IMatrix confusion;  // [predicted][observed] for a tree, else [observed][predicted]
    long unlabelled = 0;
    long errors = 0;
    long not_classified = 0;
    ProbabilityFigures probabilities;
};

void count_block(const Model& model, const ExampleBlock& block, RunCounts& counts) {
    counts.probabilities.add(block.figures);
    for (size_t i = 1; i < block.examples.size(); ++i) {
        const int observed = block.examples[i].class_value;
        const int predicted = block.predicted[i - 1];
        if (predicted == 0) ++counts.not_classified;
        if (observed == 0) {  // unlabelled: classified, not counted
            ++counts.unlabelled;
            continue;
        }
        if (predicted == 0) continue;
        if (predicted != observed) ++counts.errors;
        if (model.tree) {
            if (counts.confusion.contains(predicted, observed)) ++counts.confusion.at(predicted, observed);
        } else if (counts.confusion.contains(observed, predicted)) {
            ++counts.confusion.at(observed, predicted);
        }
    }
}

}  // namespace

std::string evaluate(const Model& model, const std::string& test_path, const Request& request, bool unlabelled) {
    const File file = File::open(test_path, "r");
    if (!file) throw LoadError("File " + model.dataset + ".test Not Found!", test_path, open_error(test_path));
    TextReader reader(file.get());
    const ReadingOptions options{.unlabelled = unlabelled, .lines = false, .messages = Messages::silent()};
    ExampleBlocks blocks(reader, model.declared, model.dialect(), derived_room(model), options);
    Request counting = request;
    counting.outputs = BlockOutputs{.rows = false, .figures = true, .probabilities = false};
    RunCounts counts(model);
    const double seconds =
        classify(model, blocks, counting, [&](ExampleBlock& block) { count_block(model, block, counts); });
    if (reader.failed()) throw LoadError("the test file could not be read to its end", test_path, EIO);

    const long examples = blocks.examples();
    const bool tree = model.tree.has_value();
    const RunReport report{
        .program = tree ? "Dravik" : "Solmet",
        .version = tree ? DRAVIK_VERSION : SOLMET_VERSION,
        .dataset = model.dataset,
        .files = {{"domain", domain_file_name(model.dataset)},
                  {"test", test_path},
                  {"model", model.dataset + (tree ? ".tree" : ".coef")}},
        .classes = class_labels(model.domain),
        .examples = examples,
        .labelled = examples - counts.unlabelled,
        .unlabelled = counts.unlabelled,
        .rejected_lines = blocks.rejected(),
        .errors = counts.errors,
        .confusion = {.matrix = examples > 0 || !tree ? &counts.confusion : nullptr, .predicted_rows = tree},
        .probabilities = counts.probabilities,
        .tree_run = tree ? std::optional(TreeRunFigures{.not_classified = counts.not_classified,
                                                        .nodes = model.summary.nodes,
                                                        .leaves = model.summary.leaves,
                                                        .depth = model.summary.depth,
                                                        .neighbours = std::max(request.neighbours, 0)})
                         : std::nullopt,
        .cpu_seconds = seconds,
    };
    return report_text(report);
}
