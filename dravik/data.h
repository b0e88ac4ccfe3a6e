// Node data: the model data that every node of a stored tree carries.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/distributions.h"
#include "../common/utils.h"

struct NodeData {
    std::vector<double> class_counts{};  // 0..C; entry 0 is the total weight at the node
    std::vector<double> class_dist{};    // 1..C; entry 0 unused
    int32_t nr_attributes = 0;           // the node's attribute space: domain + derived attributes
    int32_t nr_linears = 0;              // rows of coefs
    int32_t nr_coefs = 0;                // columns of coefs (column 1 is the constant)
    std::optional<DMatrix> coefs{};      // [1..nr_linears][1..nr_coefs]; only when the product is positive
    double discrim_error = 0.0;
    int32_t nr_norvex_classes = 0;
    double bayes_error = 0.0;
    double static_errors = 0.0;
    double spare_value = 0.0;
    int32_t attribute = 0;
    int16_t norvex = 0;
    double cut = 0.0;
    double lower = 0.0;
    double upper = 0.0;
    std::optional<ClassStats> stats{};
    int32_t nr_exemplars = 0;
    std::vector<double> exemplars{};  // 1..nr_exemplars; entry 0 unused; empty when none
    int32_t test_cases = 0;
    int32_t test_errors = 0;
};

// A Norvex leaf answers over k class positions: nr_norvex_classes, or nr_linears + 1 when
// that is below 1.
inline int64_t norvex_leaf_positions(const NodeData& data) {
    return data.nr_norvex_classes >= 1 ? data.nr_norvex_classes : int64_t{data.nr_linears} + 1;
}

// Reads one node data record; nothing when the record cannot be read. Silent.
std::optional<NodeData> ReadData(BinaryReader& file, int nr_classes, const Domain& domain);

// Reads the exemplar count and entries; false on a short read or a negative count.
bool Read_Exemplars(BinaryReader& file, int32_t& count, std::vector<double>& exemplars);
