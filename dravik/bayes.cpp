// Naive-Bayes and Norvex models of tree nodes, resolved once and evaluated per example.
#include "bayes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "settings.h"

std::vector<int> modelled_classes(const std::vector<double>& class_counts, int nr_classes, int32_t nr_attributes) {
    const double threshold = KH * static_cast<double>(nr_attributes);
    std::vector<int> classes;
    for (int c = 1; c <= nr_classes && static_cast<size_t>(c) < class_counts.size(); ++c)
        if (class_counts[static_cast<size_t>(c)] >= threshold) classes.push_back(c);
    return classes;
}

int class_at_position(const std::vector<int>& modelled, int64_t i, int nr_classes) {
    if (nr_classes < 1) return 1;
    if (i < 1 || static_cast<uint64_t>(i) > modelled.size()) return nr_classes + 1;
    return modelled[static_cast<size_t>(i) - 1];
}

namespace {

using Vector = std::vector<double>;

double at(std::span<const double> v, int64_t j) {
    return j >= 0 && static_cast<uint64_t>(j) < v.size() ? v[static_cast<size_t>(j)] : 0.0;
}

double weight(const Vector& class_counts, int c) { return at(class_counts, c); }

bool is_discrete(int type) { return type == NOMINAL || type == ORDERED || type == INTEGER; }

// Estimated probability of a value with training weight n in class c.
double estimate(double n, const Vector& class_counts, int c) {
    const double total = weight(class_counts, 0);
    if (n != 0.0) return n / weight(class_counts, c);
    return weight(class_counts, c) / total / total;
}

// The log estimates of one discrete attribute: a row of P per label column of its table,
// then the row of a value its table has no column for.
void add_discrete(NorvexModel& model, const LabelReaders& labels, const NodeData& data, int32_t a) {
    const ClassStats& stats = *data.stats;
    const bool has_table = a <= stats.nr_attributes() && stats.tables[static_cast<size_t>(a)].has_value();
    NorvexModel::Discrete d{a, &labels.at(a), has_table ? stats.tables[static_cast<size_t>(a)]->col_hi() + 1 : 0, 0, 0};
    // Column v's row, then the row of a training weight of 0.
    auto add_row = [&](int v) {
        for (int j = 1; j <= model.positions; ++j) {
            const int c = model.classes[static_cast<size_t>(j) - 1];
            const double n = v >= 0 ? stats_cell(stats, a, c, v) : 0.0;
            model.log_estimates.push_back(std::log(estimate(n, data.class_counts, c)));
        }
    };
    d.first = model.log_estimates.size();
    for (int v = 0; v < d.columns; ++v) add_row(v);
    d.outside = model.log_estimates.size();
    add_row(-1);
    model.discrete.push_back(d);
}

// The naive-Bayes evidence E[1..P]: for each discrete attribute, the log estimate of the
// example's value in each modelled class.
// The log estimates of one attribute for the example's value, position 1 first.
const double* log_row(const NorvexModel& model, const NorvexModel::Discrete& d, const Instance& example) {
    const int v = d.labels->label(known_value(example, d.attribute));
    const size_t row =
        v >= 0 && v < d.columns ? d.first + static_cast<size_t>(v) * static_cast<size_t>(model.positions) : d.outside;
    return model.log_estimates.data() + row;
}

// Evidence of `Positions` positions from `first` on, summed attribute by attribute in
// registers.
template <size_t Positions>
void sum_evidence(const NorvexModel& model, NorvexWork& work, const Instance& example, size_t first) {
    std::array<double, Positions> e{};
    for (const NorvexModel::Discrete& d : model.discrete) {
        const double* logs = log_row(model, d, example) + first;
        for (size_t j = 0; j < Positions; ++j) e[j] += logs[j];
    }
    for (size_t j = 0; j < Positions; ++j) work.evidence[first + j + 1] = e[j];
}

void bayes_evidence(const NorvexModel& model, NorvexWork& work, const Instance& example) {
    const auto p = static_cast<size_t>(model.positions);
    work.evidence[0] = 0.0;
    size_t first = 0;
    for (; first + 4 <= p; first += 4) sum_evidence<4>(model, work, example, first);
    switch (p - first) {
        case 3:
            sum_evidence<3>(model, work, example, first);
            break;
        case 2:
            sum_evidence<2>(model, work, example, first);
            break;
        case 1:
            sum_evidence<1>(model, work, example, first);
            break;
        default:
            break;
    }
}

void trace_components(const NorvexModel& model, const NorvexWork& work, const Instance& example, bool evidence,
                      const AnswerView& linear) {
    if (example.class_value == 0)
        std::printf("Observed ? ");
    else
        std::printf("Observed %d ", example.class_value);
    if (evidence) {
        std::printf("Bayes (%f)[", 1.0 - model.bayes_error);
        for (int64_t j = 1; j <= model.k; ++j)
            std::printf("%lld %f ", static_cast<long long>(j), std::exp(at(work.evidence, j)));
    }
    if (linear) {
        std::printf("] Discrim (%f)[", 1.0 - model.discrim_error);
        for (int64_t j = 1; j <= model.k; ++j) std::printf("%lld %f ", static_cast<long long>(j), at(*linear, j));
    }
}

// The naive-Bayes answer: evidence plus log prior, exponentiated relative to the largest
// so that long sums of logs do not underflow, normalised.
void bayes_probabilities(const NorvexModel& model, NorvexWork& work) {
    Vector& b = work.bayes;
    const int positions = model.positions;
    double largest = -std::numeric_limits<double>::infinity();
    for (int j = 1; j <= positions; ++j) {
        const auto jj = static_cast<size_t>(j);
        b[jj] = work.evidence[jj] + model.log_priors[jj - 1];
        if (b[jj] > largest) largest = b[jj];
    }
    for (int j = 1; j <= positions; ++j)
        b[static_cast<size_t>(j)] =
            std::isinf(largest) && largest < 0 ? 0.0 : exponential(b[static_cast<size_t>(j)] - largest);
    if (work.warns && static_cast<int64_t>(model.classes.size()) != model.k) std::fprintf(stderr, "Hummmmmm\n");
    normalise(b, positions);
}

// Both parts, each weighted by its estimated accuracy, normalised.
std::span<const double> combine(const NorvexModel& model, NorvexWork& work) {
    Vector& r = work.answer;
    for (size_t j = 1; j < r.size(); ++j)
        r[j] = model.bayes_weight * at(work.bayes, static_cast<int64_t>(j)) +
               model.discrim_weight * at(work.scores, static_cast<int64_t>(j));
    normalise(r, static_cast<int>(r.size()) - 1);
    return r;
}

}  // namespace

NorvexModel norvex_model(const Domain& domain, const LabelReaders& labels, const NodeData& data, int64_t k) {
    NorvexModel model;
    model.k = k;
    model.classes = modelled_classes(data.class_counts, domain.nr_classes(), data.nr_attributes);
    model.positions = static_cast<int>(std::clamp<int64_t>(k, 0, static_cast<int64_t>(model.classes.size())));
    model.bayes_error = data.bayes_error;
    model.discrim_error = data.discrim_error;
    model.bayes_weight = 1.0 - data.bayes_error;
    model.discrim_weight = 1.0 - data.discrim_error;
    if (data.stats) {
        for (int32_t a = 1; a <= domain.nr_attributes; ++a)
            if (is_discrete(position_type(domain, a))) add_discrete(model, labels, data, a);
        model.has_evidence = model.positions > 0 && !model.discrete.empty();
        for (int j = 1; j <= model.positions; ++j) {
            const int c = model.classes[static_cast<size_t>(j) - 1];
            model.log_priors.push_back(std::log(weight(data.class_counts, c) / weight(data.class_counts, 0)));
        }
    }
    size_t scored = 0;
    if (data.coefs && data.stats) {
        // No more positions than the coefficient rows can score.
        const int64_t rows = static_cast<int64_t>(data.coefs->row_hi()) + 1;
        const auto classes = static_cast<int>(std::clamp<int64_t>(k, 0, rows));
        model.linear = linear_model(domain, *data.coefs, *data.stats, data.nr_attributes, classes);
        scored = static_cast<size_t>(model.linear->nr_classes) + 1;
    }
    model.scored = scored;
    return model;
}

NorvexWork norvex_work_of(const NorvexModel& model) {
    const size_t evidence_size = static_cast<size_t>(model.positions) + 1;
    NorvexWork work;
    work.evidence.assign(evidence_size, 0.0);
    work.bayes.assign(evidence_size, 0.0);
    work.scores.assign(model.scored, 0.0);
    work.answer.assign(std::max(evidence_size, model.scored), 0.0);
    return work;
}

AnswerView norvex_answer(const NorvexModel& model, NorvexWork& work, const Instance& example) {
    if (model.has_evidence) bayes_evidence(model, work, example);
    AnswerView linear;
    if (model.linear) {
        linear_answer(*model.linear, example, true, work.scores);
        linear = work.scores;
    }
    if (TRACE > 1) trace_components(model, work, example, model.has_evidence, linear);
    if (!model.has_evidence) return linear;
    bayes_probabilities(model, work);
    if (!linear) return std::span<const double>(work.bayes);
    return combine(model, work);
}

int Norvex_classify_teste_example(const NorvexModel& model, NorvexWork& work, Instance& example,
                                  int32_t nr_attributes) {
    const AnswerView answer = norvex_answer(model, work, example);
    if (!answer) return 0;
    const int best = dmajority(*answer, static_cast<int>(answer->size()) - 1);
    extend_example(example, nr_attributes, *answer, model.k);
    if (TRACE > 0) {
        std::printf("Final [");
        for (int j = 1; j <= model.positions; ++j)
            std::printf("%d %f ", model.classes[static_cast<size_t>(j) - 1], at(*answer, j));
        if (static_cast<int64_t>(model.classes.size()) != model.k)
            std::fprintf(stderr, "NV test exam Hummmmmm Hiddden %f k %d \n", static_cast<double>(model.k),
                         static_cast<int>(model.classes.size()));
        std::printf("]\n");
    }
    return best;
}

void Norvex_Leaf(const NorvexModel& model, NorvexWork& work, const Instance& example, std::span<double> out) {
    std::fill(out.begin(), out.end(), 0.0);
    const AnswerView answer = norvex_answer(model, work, example);
    if (!answer) return;
    for (int j = 1; j <= model.positions; ++j)
        out[static_cast<size_t>(model.classes[static_cast<size_t>(j) - 1])] = at(*answer, j);
    if (work.warns && static_cast<int64_t>(model.classes.size()) != model.k)
        std::fprintf(stderr, "NV Leaf Hummmmmm Hidden %f k %d\n", static_cast<double>(model.k),
                     static_cast<int>(model.classes.size()));
}

std::optional<Vector> NorvexClassifyExample(const Domain& domain, const Instance& example, const NodeData& data,
                                            int64_t k) {
    const LabelReaders labels(domain);
    const NorvexModel model = norvex_model(domain, labels, data, k);
    NorvexWork work = norvex_work_of(model);
    const AnswerView answer = norvex_answer(model, work, example);
    if (!answer) return std::nullopt;
    return Vector(answer->begin(), answer->end());
}
