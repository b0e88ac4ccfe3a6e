// The classification of a test set with its predictions file.
#include "classify.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "../common/predictions.h"
#include "../common/probabilities.h"
#include "Combine.h"
#include "engine.h"
#include "settings.h"

namespace {

int class_count(const Domain& domain) { return std::max(domain.nr_classes(), 0); }

double entry(std::span<const double> v, int c) {
    return c >= 0 && static_cast<size_t>(c) < v.size() ? v[static_cast<size_t>(c)] : 0.0;
}

}  // namespace

ClassProbs classify_example(const Domain& domain, const CiDataset& exemplar_set, const Tree& tree, NodeId id,
                            Instance& example) {
    const CompiledTree compiled(domain, exemplar_set, tree);
    Workspace work(compiled);
    const AnswerView answer = descend(compiled, work, id, example);
    if (!answer) return std::nullopt;
    return std::vector<double>(answer->begin(), answer->end());
}

void say_not_classified(long number, int observed) {
    if (observed == 0)
        std::fprintf(stderr, "\nExample %ld Observed ? Not Classified", number);
    else
        std::fprintf(stderr, "\nExample %ld Observed %d Not Classified", number, observed);
}

void record_answer_probabilities(const ProbabilitySinks& sinks, const Domain& domain, const Instance& example,
                                 const AnswerView& answer, std::vector<double>& scratch) {
    const int predicted = answer ? dmajority(*answer, std::max(domain.nr_classes(), 0)) : 0;
    record_probabilities(sinks, domain, example, predicted, answer ? *answer : std::span<const double>(), scratch);
}

BlockClassifier tree_block_classifier(const CompiledTree& tree, Workspace& work, const BlockOutputs& outputs) {
    return [&tree, &work, outputs, scratch = std::vector<double>()](ExampleBlock& block) mutable {
        const ProbabilitySinks sinks = outputs.sinks(block);
        for (size_t i = 1; i < block.examples.size(); ++i) {
            Instance& example = block.examples[i];
            const AnswerView answer =
                tree.tree.root == NO_NODE ? std::nullopt : descend(tree, work, tree.tree.root, example);
            block.predicted.push_back(answer ? dmajority(*answer, tree.nr_classes) : 0);
            if (sinks.wanted()) record_answer_probabilities(sinks, tree.domain, example, answer, scratch);
        }
    };
}

Tree with_test_counts(const Tree& tree, const LeafTally& tally) {
    Tree counted = tree;
    for (size_t id = 0; id < counted.nodes.size() && id < tally.size(); ++id) {
        if (!counted.nodes[id].data) continue;
        counted.nodes[id].data->test_cases = tally[id].cases;
        counted.nodes[id].data->test_errors = tally[id].errors;
    }
    return counted;
}

// ---- Test-set classification --------------------------------------------------------------

namespace {

const char* class_label(const Domain& domain, int c) {
    if (c < 1 || c > class_count(domain)) return "?";
    return LblValId(domain, domain.nr_attributes + 1, c).c_str();
}

// Reports one example's answer: verbose line, prediction line, confusion matrix, errors.
void record_answer(const Domain& domain, long number, const Instance& example, const AnswerView& answer,
                   PredictionWriter& predictions, IMatrix& confusion, int32_t& errors) {
    if (!answer) {
        say_not_classified(number, example.class_value);
        predictions.write(0);
        return;
    }
    const int nr_classes = class_count(domain);
    const int predicted = dmajority(*answer, nr_classes);
    if (VERBOSITY > 2) {
        std::printf("Example %ld Observed %s Classified %s \t[ ", number, class_label(domain, example.class_value),
                    class_label(domain, predicted));
        for (int c = 1; c <= nr_classes; ++c) std::printf("%.3f ", entry(*answer, c));
        std::printf("]\n");
    }
    predictions.write(predicted);
    if (example.class_value == 0) return;  // unlabelled: classified, not counted
    if (predicted != example.class_value) ++errors;
    if (confusion.contains(predicted, example.class_value)) ++confusion.at(predicted, example.class_value);
}

}  // namespace

std::optional<IMatrix> classify(CiDataset& examples, const CiDataset& exemplar_set, const Tree& tree, int32_t& errors,
                                ClassifyTally* tally, std::FILE* probabilities, ProbabilityFigures* figures) {
    errors = 0;
    if (tally) *tally = ClassifyTally{};
    if (examples.nr_instances < 1) return std::nullopt;
    const Domain& domain = examples.domain;
    const int nr_classes = class_count(domain);
    IMatrix confusion(1, nr_classes, 1, nr_classes);
    PredictionWriter predictions(SetPathName(PREDICT_PATH, domain.name, ".pred"), domain,
                                 PredictionWriter::Buffering::Blocks);
    predictions.say_if_unopened();
    const CompiledTree compiled(domain, exemplar_set, tree);
    Workspace work(compiled);
    const auto last =
        static_cast<int>(std::min<int64_t>(examples.nr_instances, static_cast<int64_t>(examples.instances.size()) - 1));
    std::string rows;  // of the class probabilities file, written a large block at a time
    const ProbabilitySinks sinks{probabilities != nullptr ? &rows : nullptr, figures};
    std::vector<double> scratch;
    for (int i = 1; i <= last; ++i) {
        Instance& example = examples.instances[static_cast<size_t>(i)];
        const AnswerView answer = tree.root == NO_NODE ? std::nullopt : descend(compiled, work, tree.root, example);
        record_answer(domain, i, example, answer, predictions, confusion, errors);
        if (!answer && tally) ++tally->not_classified;
        if (sinks.wanted()) {
            record_answer_probabilities(sinks, domain, example, answer, scratch);
            if (probabilities != nullptr && rows.size() >= size_t{1} << 20) write_out(rows, probabilities);
        }
    }
    if (probabilities != nullptr) write_out(rows, probabilities);
    const bool written = predictions.close();
    if (tally) {
        tally->predictions_lost = !written;
        tally->leaves = std::move(work.tally);
    }
    return confusion;
}
