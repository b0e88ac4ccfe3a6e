#include "BuildTree.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "Combine.h"
#include "bayes.h"
#include "settings.h"

int predict_class(const std::vector<double>& class_counts, int i, int nr_classes, int32_t nr_attributes) {
    return class_at_position(modelled_classes(class_counts, nr_classes, nr_attributes), i, nr_classes);
}

namespace {

const std::string UNKNOWN_NAME = "?";

// Entry i of a vector read from the file; 0 where the vector has no such entry.
double entry(const std::vector<double>& v, int64_t i) {
    return i >= 0 && static_cast<size_t>(i) < v.size() ? v[static_cast<size_t>(i)] : 0.0;
}

bool names_domain_attribute(const Domain& domain, int32_t attribute) {
    return attribute >= 1 && attribute <= domain.nr_attributes;
}

const std::string& attribute_name(const Domain& domain, int32_t attribute) {
    if (!names_domain_attribute(domain, attribute)) return UNKNOWN_NAME;
    return domain.attributes[static_cast<size_t>(attribute)].name;
}

// Label of value `value` of a domain attribute; "?" when there is none.
const std::string& value_label(const Domain& domain, int32_t attribute, int value) {
    if (!names_domain_attribute(domain, attribute)) return UNKNOWN_NAME;
    return LblValId(domain, attribute, value);
}

const std::string& class_label(const Domain& domain, int c) { return LblValId(domain, domain.nr_attributes + 1, c); }

// Classes 1..C of the leaf's distribution that its record holds.
int majority_class(const Domain& domain, const NodeData& data) {
    const int held = std::min(domain.nr_classes(), static_cast<int>(std::max<size_t>(data.class_dist.size(), 1) - 1));
    return dmajority(data.class_dist, held);
}

void indent(int level) {
    for (int i = 0; i < level; ++i) std::printf("|\t");
}

// "[number]name condition", and the band after the first branch of a binary test.
void show_test_branch(const Domain& domain, const NodeData& data, int branch, int32_t number, int32_t kind) {
    const bool binary = kind == BINARY || kind == BINARY_LINEAR;
    if (binary && branch != 1 && branch != 2) return;
    std::printf("[%d]%s %s", number, test_name(domain, data, kind).c_str(),
                branch_condition(domain, data, kind, branch).c_str());
    if (binary && branch == 1) std::printf(" %s", band_text(data).c_str());
}

void show_plain_leaf(const Domain& domain, const NodeData& data) {
    std::printf("%s %s %s", leaf_class_text(domain, data).c_str(), leaf_distribution_text(domain, data).c_str(),
                leaf_exemplars_text(data).c_str());
    if (TRACE > 0) std::printf("%s", leaf_test_text(data).c_str());
}

// One line per class position of the model, the later ones indented like the first.
void show_norvex_leaf(const Domain& domain, const NodeData& data, int level, int32_t number) {
    const int64_t k = norvex_leaf_positions(data);
    // predict_class of every position, with the modelled classes found once.
    const std::vector<int> modelled = modelled_classes(data.class_counts, domain.nr_classes(), data.nr_attributes);
    for (int64_t j = 1; j <= k; ++j) {
        if (j > 1) {
            std::printf("\n");
            indent(level);
        }
        const int class_number = class_at_position(modelled, j, domain.nr_classes());
        std::printf("%s", norvex_position_text(domain, number, j, class_number).c_str());
    }
}

}  // namespace

std::string formatted(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list measure;
    va_copy(measure, arguments);
    const int size = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text(static_cast<size_t>(std::max(size, 0)), '\0');
    if (size > 0) std::vsnprintf(text.data(), text.size() + 1, format, arguments);
    va_end(arguments);
    return text;
}

std::string test_name(const Domain& domain, const NodeData& data, int32_t kind) {
    if (kind == MULTIWAY && data.norvex != 0) return "Norvex";
    // Attributes beyond the domain's are derived: class probabilities appended by models.
    if (kind != MULTIWAY && data.attribute > domain.nr_attributes) return formatted("Norvex_%d", data.attribute);
    return attribute_name(domain, data.attribute);
}

std::string branch_condition(const Domain& domain, const NodeData& data, int32_t kind, int64_t branch) {
    if (kind == MULTIWAY) {
        if (data.norvex != 0) return formatted("= %ld", static_cast<long>(branch));
        const int value = static_cast<int>(std::clamp<int64_t>(branch, 0, INT32_MAX));
        return "= " + value_label(domain, data.attribute, value);
    }
    if (branch == 1) return formatted("<= %f", data.cut);
    if (branch == 2) return formatted("> %f", data.cut);
    return "";
}

std::string band_text(const NodeData& data) { return formatted("[%f %f]", data.lower, data.upper); }

std::string leaf_class_text(const Domain& domain, const NodeData& data) {
    const int majority = majority_class(domain, data);
    return formatted("%s (%.2f/%.2f)", class_label(domain, majority).c_str(), entry(data.class_counts, 0),
                     entry(data.class_counts, majority));
}

std::string leaf_distribution_text(const Domain& domain, const NodeData& data) {
    std::string text = "[ ";
    for (int c = 1; c <= domain.nr_classes(); ++c) text += formatted("%.3f ", entry(data.class_dist, c));
    return text + "]";
}

std::string leaf_exemplars_text(const NodeData& data) {
    return formatted("(%ld)", static_cast<long>(data.nr_exemplars));
}

std::string leaf_test_text(const NodeData& data) {
    return formatted("[Errors: %ld in %ld]", static_cast<long>(data.test_errors), static_cast<long>(data.test_cases));
}

int64_t norvex_leaf_positions(const NodeData& data) {
    return data.nr_norvex_classes >= 1 ? data.nr_norvex_classes : int64_t{data.nr_linears} + 1;
}

std::string norvex_position_text(const Domain& domain, int32_t number, int64_t j, int class_number) {
    return formatted("[%d]Norvex = %ld Then %s", number, static_cast<long>(j),
                     class_label(domain, class_number).c_str());
}

void ShowTree(const Domain& domain, const NodeData* data, int branch_or_level, int32_t number, int32_t kind) {
    if (data != nullptr) {
        switch (kind) {
            case MULTIWAY:
            case BINARY:
            case BINARY_LINEAR:
                show_test_branch(domain, *data, branch_or_level, number, kind);
                break;
            case LEAF:
                if (data->norvex != 0)
                    show_norvex_leaf(domain, *data, branch_or_level, number);
                else
                    show_plain_leaf(domain, *data);
                break;
            default:
                break;
        }
    }
    std::printf("\n");
}
