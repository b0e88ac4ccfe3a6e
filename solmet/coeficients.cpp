#include "coeficients.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>

namespace {

// Weights of the classes scoring far below the best stop at exp(-25) instead of 0.
constexpr double kLowestScoreDifference = -25.0;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

bool takes_part(int type) { return type == NOMINAL || type == ORDERED || type == INTEGER || type == CONTINUOUS; }

// What attribute j brings into the function of class c: the example's own value when it
// is known, else the training mean of class c, so that each function sees its own class's
// stand-in for a missing value.
double attribute_input(const AttVal& value, const Attribute& attribute, const DMatrix& table, int c) {
    if (attribute.type == CONTINUOUS) return value.status == STATUS_KNOWN ? value.value : table.at(c, MEAN);
    if (value.status == STATUS_KNOWN) return static_cast<double>(value.int_value());
    return table.at(c, attribute.nr_values() + 1);  // the discrete table's value_mean column
}

double score_of_class(const Instance& example, const Domain& domain, const DMatrix& coefficients,
                      const ClassStats& stats, int nr_attributes, int c) {
    double score = coefficients.at(c, 1);
    int column = 2;
    for (int j = 1; j <= nr_attributes; ++j) {
        const Attribute& attribute = domain.attributes[static_cast<size_t>(j)];
        if (!takes_part(attribute.type)) continue;
        const double x = attribute_input(example.values[static_cast<size_t>(j)], attribute,
                                         *stats.tables[static_cast<size_t>(j)], c);
        score += coefficients.at(c, column) * x;
        ++column;
    }
    return score;
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

IMatrix confusion_matrix(int nr_classes) {
    try {
        return IMatrix(1, nr_classes, 1, nr_classes);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "E)imatrix: Out of memory!\n");
        throw OutOfMemory{};
    }
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

std::vector<double> discriminant_scores(const Instance& example, const Domain& domain, const DMatrix& coefficients,
                                        const ClassStats& stats, int nr_attributes) {
    const int nr_classes = domain.nr_classes();
    std::vector<double> scores(static_cast<size_t>(nr_classes) + 1, 0.0);
    for (int c = 1; c < nr_classes; ++c)
        scores[static_cast<size_t>(c)] = score_of_class(example, domain, coefficients, stats, nr_attributes, c);
    return scores;
}

std::vector<double> class_weights(const std::vector<double>& scores) {
    std::vector<double> weights(scores.size(), 0.0);
    if (scores.size() < 2) return weights;
    double best = scores[1];
    for (size_t c = 2; c < scores.size(); ++c)
        if (scores[c] > best) best = scores[c];
    for (size_t c = 1; c < scores.size(); ++c) {
        double difference = scores[c] - best;
        if (difference < kLowestScoreDifference) difference = kLowestScoreDifference;
        weights[c] = std::exp(difference);
    }
    return weights;
}

int predicted_class(const std::vector<double>& weights) {
    size_t best = 1;
    for (size_t c = 2; c < weights.size(); ++c)
        if (weights[c] > weights[best]) best = c;
    return static_cast<int>(best);
}

IMatrix classify_testset(const CiDataset& data, const DMatrix& coefficients, const ClassStats& stats, int first,
                         int last, int nr_attributes, long& errors) {
    const Domain& domain = data.domain;
    const int nr_classes = domain.nr_classes();
    const int class_attribute = domain.nr_attributes + 1;
    IMatrix confusion = confusion_matrix(nr_classes);
    errors = 0;

    const std::string path = SetPathName(PREDICT_PATH, domain.name, ".pred");
    const OutputFile predictions(std::fopen(path.c_str(), "w"));
    if (!predictions) std::fprintf(stderr, "Can not open file %s\n", path.c_str());

    for (int i = first; i <= last; ++i) {
        const Instance& example = data.instances[static_cast<size_t>(i)];
        const std::vector<double> weights =
            class_weights(discriminant_scores(example, domain, coefficients, stats, nr_attributes));
        const int observed = example.class_value;
        const int predicted = predicted_class(weights);
        confusion.at(observed, predicted) += 1;
        const std::string& label = LblValId(domain, class_attribute, predicted);
        if (predictions) std::fprintf(predictions.get(), "%s\n", label.c_str());
        if (VERBOSITY > 1) report_example(i, LblValId(domain, class_attribute, observed), label, weights);
        if (predicted != observed) ++errors;
    }
    return confusion;
}
