// The discriminant functions applied: model display, scoring and the test-set loop.
#include "coeficients.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "../common/predictions.h"
#include "../common/probabilities.h"

namespace {

// How an example read without a class shows its observed class.
const std::string kUnknownClass = "?";

// Weights of the classes scoring far below the best stop at exp(-25) instead of 0.
constexpr double kLowestScoreDifference = -25.0;

// Whether an attribute of this type takes a coefficient of the discriminant functions:
// every type but IGNORE and DATE, NOMINAL ones with their label number as the value.
bool takes_coefficient(int type) { return type == NOMINAL || type == ORDERED || type == INTEGER || type == CONTINUOUS; }

// The model as the loop over the examples applies it, worked out once per run: the
// attributes that take part, in order, and for each function the stand-ins of its class
// for unknown values (the training mean of class c, so that each function sees its own
// class's stand-in for a missing value).
class ScoringPlan {
public:
    ScoringPlan(const Domain& domain, const DMatrix& coefficients, const ClassStats& stats, int nr_attributes)
        : coefficients_(coefficients), nr_functions_(std::max(domain.nr_classes() - 1, 0)) {
        for (int j = 1; j <= nr_attributes; ++j) {
            const Attribute& attribute = domain.attributes[static_cast<size_t>(j)];
            if (takes_coefficient(attribute.type))
                inputs_.push_back(Input{static_cast<size_t>(j), attribute.type == CONTINUOUS});
        }
        standins_.reserve(static_cast<size_t>(nr_functions_) * inputs_.size());
        for (int c = 1; c <= nr_functions_; ++c) {
            for (const Input& input : inputs_) {
                const Attribute& attribute = domain.attributes[input.attribute];
                const DMatrix& table = *stats.tables[input.attribute];
                standins_.push_back(input.continuous ? table.at(c, MEAN) : table.at(c, attribute.nr_values() + 1));
            }
        }
    }

    int nr_functions() const { return nr_functions_; }

    // The constant of function c, then its coefficients times the example's inputs,
    // attribute by attribute in order.
    double score(const Instance& example, int c) const {
        const double* coefficient = &coefficients_.at(c, 1);
        const double* standin = standins_.data() + static_cast<size_t>(c - 1) * inputs_.size();
        double score = coefficient[0];
        for (size_t k = 0; k < inputs_.size(); ++k) {
            const AttVal& value = example.values[inputs_[k].attribute];
            double x = standin[k];
            if (value.status == STATUS_KNOWN)
                x = inputs_[k].continuous ? value.value : static_cast<double>(value.int_value());
            score += coefficient[k + 1] * x;
        }
        return score;
    }

private:
    struct Input {
        size_t attribute;
        bool continuous;
    };
    const DMatrix& coefficients_;
    int nr_functions_;
    std::vector<Input> inputs_;
    std::vector<double> standins_;  // function by function, one per input
};

// exp(score - best score) for classes 1..C (entry 0 unused), each difference floored at -25.
// Unless every weight is shown (`all`), a class more than 1e-10 below a finite best score
// gets 0 instead: its weight is below the best class's exact 1, so it can never be the
// predicted class, and 0 keeps it so.
void class_weights(const std::vector<double>& scores, std::vector<double>& weights, bool all) {
    if (scores.size() < 2) return;
    double best = scores[1];
    for (size_t c = 2; c < scores.size(); ++c)
        if (scores[c] > best) best = scores[c];
    all = all || !std::isfinite(best);
    for (size_t c = 1; c < scores.size(); ++c) {
        double difference = scores[c] - best;
        if (difference < kLowestScoreDifference) difference = kLowestScoreDifference;
        weights[c] = all || !(difference <= -1e-10) ? std::exp(difference) : 0.0;
    }
}

void report_example(long number, const std::string& observed, const std::string& predicted,
                    const std::vector<double>& weights) {
    std::printf("Example %ld  Classified %s Predict %s ", number, observed.c_str(), predicted.c_str());
    if (VERBOSITY > 2) {
        double sum = 0.0;
        for (size_t c = 1; c < weights.size(); ++c) sum += weights[c];
        std::printf("[");
        for (size_t c = 1; c < weights.size(); ++c) std::printf("%f ", weights[c] / sum);
        std::printf("]");
    }
    std::printf("\n");
}

}  // namespace

void Show_coeficientes(const DMatrix& coefficients, int nr_rows, int nr_cols) {
    std::printf("\nCoefficients: \n");
    int equations = 0;
    int printed = 0;
    for (int r = 1; r <= nr_rows; ++r) {
        int in_row = 0;
        for (int k = 1; k <= nr_cols; ++k) {
            const double a = coefficients.at(r, k);
            if (a == 0.0) continue;
            if (k == 1) {
                std::printf("%+.4g", a);
            } else {
                std::printf("%+.4g*[%d]", a, k - 1);
            }
            ++in_row;
        }
        if (in_row == 0) continue;
        std::printf("\n");
        ++equations;
        printed += in_row;
    }
    std::printf("Number of equations %d Number of Coefficients %d\n", equations, printed);
}

int predicted_class(const std::vector<double>& weights) {
    size_t best = 1;
    for (size_t c = 2; c < weights.size(); ++c)
        if (weights[c] > weights[best]) best = c;
    return static_cast<int>(best);
}

IMatrix classify_testset(const CiDataset& data, const DMatrix& coefficients, const ClassStats& stats, int first,
                         int last, int nr_attributes, long& errors, bool* predictions_lost, std::FILE* probabilities,
                         ProbabilityFigures* figures) {
    const Domain& domain = data.domain;
    const int nr_classes = domain.nr_classes();
    const int class_attribute = domain.nr_attributes + 1;
    IMatrix confusion = confusion_matrix(nr_classes);
    errors = 0;

    // Below verbosity 2 nothing else is written while the predictions are, so they go out
    // in large blocks; above it the stream's buffer keeps them interleaved with the
    // example lines as they always were when both go to one file.
    PredictionWriter predictions(
        SetPathName(PREDICT_PATH, domain.name, ".pred"), domain,
        VERBOSITY <= 1 ? PredictionWriter::Buffering::Blocks : PredictionWriter::Buffering::Lines);
    predictions.say_if_unopened();

    const ScoringPlan plan(domain, coefficients, stats, nr_attributes);
    std::string rows;  // of the class probabilities file, written a large block at a time
    const ProbabilitySinks sinks{probabilities != nullptr ? &rows : nullptr, figures};
    std::vector<double> probability_scratch;
    std::vector<double> scores(static_cast<size_t>(std::max(nr_classes, 0)) + 1, 0.0);
    std::vector<double> weights(scores.size(), 0.0);
    for (int i = first; i <= last; ++i) {
        const Instance& example = data.instances[static_cast<size_t>(i)];
        for (int c = 1; c <= plan.nr_functions(); ++c) scores[static_cast<size_t>(c)] = plan.score(example, c);
        class_weights(scores, weights, VERBOSITY > 2 || sinks.wanted());
        const int observed = example.class_value;  // 0: unlabelled (-u), classified but not counted
        const int predicted = predicted_class(weights);
        if (observed != 0) confusion.at(observed, predicted) += 1;
        const std::string& label = LblValId(domain, class_attribute, predicted);
        predictions.write(predicted);
        if (VERBOSITY > 1)
            report_example(i, observed != 0 ? LblValId(domain, class_attribute, observed) : kUnknownClass, label,
                           weights);
        if (observed != 0 && predicted != observed) ++errors;
        if (sinks.wanted()) {
            record_probabilities(sinks, domain, example, predicted, weights, probability_scratch);
            if (probabilities != nullptr && rows.size() >= size_t{1} << 20) write_out(rows, probabilities);
        }
    }
    if (probabilities != nullptr) write_out(rows, probabilities);
    const bool written = predictions.close();
    if (predictions_lost) *predictions_lost = !written;
    return confusion;
}

IMatrix confusion_matrix(int nr_classes) {
    try {
        return IMatrix(1, nr_classes, 1, nr_classes);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "E)imatrix: Out of memory!\n");
        throw OutOfMemory{};
    }
}

BlockClassifier block_classifier(const Domain& domain, const DMatrix& coefficients, const ClassStats& stats,
                                 int nr_attributes, const BlockOutputs& outputs) {
    const auto plan = std::make_shared<const ScoringPlan>(domain, coefficients, stats, nr_attributes);
    const size_t size = static_cast<size_t>(std::max(domain.nr_classes(), 0)) + 1;
    return [plan, &domain, outputs, scores = std::vector<double>(size, 0.0), weights = std::vector<double>(size, 0.0),
            scratch = std::vector<double>()](ExampleBlock& block) mutable {
        const ProbabilitySinks sinks = outputs.sinks(block);
        for (size_t i = 1; i < block.examples.size(); ++i) {
            const Instance& example = block.examples[i];
            for (int c = 1; c <= plan->nr_functions(); ++c) scores[static_cast<size_t>(c)] = plan->score(example, c);
            class_weights(scores, weights, sinks.wanted());
            const int predicted = predicted_class(weights);
            block.predicted.push_back(predicted);
            if (sinks.wanted()) record_probabilities(sinks, domain, example, predicted, weights, scratch);
        }
    };
}
