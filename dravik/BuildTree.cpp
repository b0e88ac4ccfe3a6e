#include "BuildTree.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "Combine.h"
#include "Dravik.h"
#include "bayes.h"

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

void indent(int level) {
    for (int i = 0; i < level; ++i) std::printf("|\t");
}

void show_multiway(const Domain& domain, const NodeData& data, int branch, int32_t number) {
    if (data.norvex != 0)
        std::printf("[%d]Norvex = %d", number, branch);
    else
        std::printf("[%d]%s = %s", number, attribute_name(domain, data.attribute).c_str(),
                    value_label(domain, data.attribute, branch).c_str());
}

// Attributes beyond the domain's are derived: class probabilities appended by models.
void show_binary(const Domain& domain, const NodeData& data, int branch, int32_t number) {
    const bool derived = data.attribute > domain.nr_attributes;
    const char* name = attribute_name(domain, data.attribute).c_str();
    if (branch == 1) {
        if (derived)
            std::printf("[%d]Norvex_%d <= %f [%f %f]", number, data.attribute, data.cut, data.lower, data.upper);
        else
            std::printf("[%d]%s <= %f [%f %f]", number, name, data.cut, data.lower, data.upper);
    } else if (branch == 2) {
        if (derived)
            std::printf("[%d]Norvex_%d > %f", number, data.attribute, data.cut);
        else
            std::printf("[%d]%s > %f", number, name, data.cut);
    }
}

void show_plain_leaf(const Domain& domain, const NodeData& data) {
    const int nr_classes = domain.nr_classes();
    // Only the entries the record holds take part in the choice.
    const int held = std::min(nr_classes, static_cast<int>(std::max<size_t>(data.class_dist.size(), 1) - 1));
    const int majority = dmajority(data.class_dist, held);
    std::printf("%s (%.2f/%.2f) [ ", class_label(domain, majority).c_str(), entry(data.class_counts, 0),
                entry(data.class_counts, majority));
    for (int c = 1; c <= nr_classes; ++c) std::printf("%.3f ", entry(data.class_dist, c));
    std::printf("] (%ld)", static_cast<long>(data.nr_exemplars));
    if (TRACE > 0)
        std::printf("[Errors: %ld in %ld]", static_cast<long>(data.test_errors), static_cast<long>(data.test_cases));
}

// One line per class position of the model, the later ones indented like the first.
void show_norvex_leaf(const Domain& domain, const NodeData& data, int level, int32_t number) {
    const int64_t k = data.nr_norvex_classes >= 1 ? data.nr_norvex_classes : int64_t{data.nr_linears} + 1;
    const int nr_classes = domain.nr_classes();
    // predict_class of every position, with the modelled classes found once.
    const std::vector<int> modelled = modelled_classes(data.class_counts, nr_classes, data.nr_attributes);
    for (int64_t j = 1; j <= k; ++j) {
        if (j > 1) {
            std::printf("\n");
            indent(level);
        }
        std::printf("[%d]Norvex = %ld Then %s", number, static_cast<long>(j),
                    class_label(domain, class_at_position(modelled, j, nr_classes)).c_str());
    }
}

}  // namespace

void ShowTree(const Domain& domain, const NodeData* data, int branch_or_level, int32_t number, int32_t kind) {
    if (data != nullptr) {
        switch (kind) {
            case MULTIWAY:
                show_multiway(domain, *data, branch_or_level, number);
                break;
            case BINARY:
            case BINARY_LINEAR:
                show_binary(domain, *data, branch_or_level, number);
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
