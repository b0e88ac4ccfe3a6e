// The texts that show a tree node, for the outline and the graph.
#include "node_text.h"

#include <algorithm>

#include "Combine.h"
#include "tree.h"

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

}  // namespace

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

std::string norvex_position_text(const Domain& domain, int32_t number, int64_t j, int class_number) {
    return formatted("[%d]Norvex = %ld Then %s", number, static_cast<long>(j),
                     class_label(domain, class_number).c_str());
}
