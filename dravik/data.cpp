// The node data reader.
#include "data.h"

#include <cstddef>

namespace {

// Product of the coefficient counts, wide enough for any two 32-bit counts.
int64_t coefficient_count(int32_t nr_linears, int32_t nr_coefs) {
    return static_cast<int64_t>(nr_linears) * static_cast<int64_t>(nr_coefs);
}

// Reads `n` doubles into entries first..first+n-1 of `v`, after checking that they can
// be in the file; `v` is sized first + n.
bool read_vector(BinaryReader& file, std::vector<double>& v, size_t first, int64_t n) {
    if (!file.fits(n, sizeof(double))) {
        file.skip_to_end();  // a count that cannot be right reads as a short read
        return false;
    }
    v.assign(first + static_cast<size_t>(n), 0.0);
    return file.read_f64s(v.data() + first, static_cast<size_t>(n));
}

// Fields 1 to 7: the test and the two stored error figures.
bool read_test_fields(BinaryReader& file, NodeData& data) {
    const auto attribute = file.read_i32();
    if (!attribute) return false;
    const auto norvex = file.read_i16();
    if (!norvex) return false;
    double reals[5];
    if (!file.read_f64s(reals, 5)) return false;
    data.attribute = *attribute;
    data.norvex = *norvex;
    data.cut = reals[0];
    data.lower = reals[1];
    data.upper = reals[2];
    data.static_errors = reals[3];
    data.spare_value = reals[4];
    return true;
}

// Fields 8 to 12: the class distribution and counts, the attribute space and the errors
// of the two model components.
bool read_class_fields(BinaryReader& file, int nr_classes, NodeData& data) {
    if (!read_vector(file, data.class_dist, 1, nr_classes)) return false;
    if (!read_vector(file, data.class_counts, 0, static_cast<int64_t>(nr_classes) + 1)) return false;
    const auto nr_attributes = file.read_i32();
    if (!nr_attributes) return false;
    const auto bayes_error = file.read_f64();
    if (!bayes_error) return false;
    const auto discrim_error = file.read_f64();
    if (!discrim_error) return false;
    data.nr_attributes = *nr_attributes;
    data.bayes_error = *bayes_error;
    data.discrim_error = *discrim_error;
    return true;
}

// Fields 15 to 18: the model counts and, when their product is positive, the rows.
bool read_model_fields(BinaryReader& file, NodeData& data) {
    const auto nr_coefs = file.read_i32();
    if (!nr_coefs) return false;
    const auto nr_linears = file.read_i32();
    if (!nr_linears) return false;
    const auto nr_norvex_classes = file.read_i32();
    if (!nr_norvex_classes) return false;
    data.nr_coefs = *nr_coefs;
    data.nr_linears = *nr_linears;
    data.nr_norvex_classes = *nr_norvex_classes;

    const int64_t cells = coefficient_count(data.nr_linears, data.nr_coefs);
    if (cells <= 0) return true;
    // A positive product of two negative counts is as untrustworthy as a count that
    // cannot fit: both read as a short read.
    if (data.nr_linears < 0 || !file.fits(cells, sizeof(double))) {
        file.skip_to_end();
        return false;
    }
    DMatrix coefs(1, data.nr_linears, 1, data.nr_coefs);
    for (int r = 1; r <= data.nr_linears; ++r)
        if (!file.read_f64s(coefs.row(r), static_cast<size_t>(data.nr_coefs))) return false;
    data.coefs = std::move(coefs);
    return true;
}

}  // namespace

bool Read_Exemplars(BinaryReader& file, int32_t& count, std::vector<double>& exemplars) {
    const auto nr_exemplars = file.read_i32();
    if (!nr_exemplars) return false;
    std::vector<double> entries;
    // A negative count does not fit either, and fails the record.
    if (*nr_exemplars != 0 && !read_vector(file, entries, 1, *nr_exemplars)) return false;
    count = *nr_exemplars;
    exemplars = std::move(entries);
    return true;
}

std::optional<NodeData> ReadData(BinaryReader& file, int nr_classes, const Domain& domain) {
    NodeData data;
    if (!read_test_fields(file, data)) return std::nullopt;
    if (!read_class_fields(file, nr_classes, data)) return std::nullopt;
    if (!Read_Exemplars(file, data.nr_exemplars, data.exemplars)) return std::nullopt;
    if (!read_model_fields(file, data)) return std::nullopt;

    if (data.nr_norvex_classes != 0 || data.coefs) {
        data.stats = read_stats(file, domain, data.nr_attributes);
        // A refused statistics count leaves the reader at the end, like a short read.
        if (!data.stats) file.skip_to_end();
    }
    return data;
}
