#include "tree_writer.h"

namespace {

int32_t count_of(size_t size) { return static_cast<int32_t>(size); }

}  // namespace

std::string node_data(const NodeSpec& spec) {
    BinaryWriter out;
    out.i32(spec.attribute).i16(spec.norvex);
    out.f64(spec.cut).f64(spec.lower).f64(spec.upper).f64(spec.static_errors).f64(spec.spare_value);
    out.f64s(spec.class_dist);
    if (spec.class_counts.empty())
        out.f64s(std::vector<double>(spec.class_dist.size() + 1, 0.0));
    else
        out.f64s(spec.class_counts);
    out.i32(spec.nr_attributes).f64(spec.bayes_error).f64(spec.discrim_error);

    out.i32(spec.nr_exemplars.value_or(count_of(spec.exemplars.size())));
    out.f64s(spec.exemplars);

    const size_t columns = spec.coefs.empty() ? 0 : spec.coefs.front().size();
    out.i32(spec.nr_coefs.value_or(count_of(columns)));
    out.i32(spec.nr_linears.value_or(count_of(spec.coefs.size())));
    out.i32(spec.nr_norvex_classes);
    for (const std::vector<double>& row : spec.coefs) out.f64s(row);
    write_stats(out, spec.stats);
    return out.bytes;
}

NodeSpec leaf_data(const std::vector<double>& class_dist, double weight) {
    NodeSpec spec;
    spec.class_dist = class_dist;
    spec.class_counts.push_back(weight);
    for (double p : class_dist) spec.class_counts.push_back(weight * p);
    return spec;
}

TreeFile& TreeFile::header(int32_t kind, int32_t number, int32_t nr_children) {
    BinaryWriter out;
    out.i32(kind).i32(number).i32(nr_children);
    bytes += out.bytes;
    return *this;
}

TreeFile& TreeFile::node(int32_t kind, int32_t number, int32_t nr_children, const NodeSpec& data) {
    header(kind, number, nr_children);
    bytes += node_data(data);
    return *this;
}

TreeFile& TreeFile::leaf(int32_t number, const NodeSpec& data) { return node(0, number, 0, data); }

TreeFile& TreeFile::multiway(int32_t number, int32_t nr_children, const NodeSpec& data) {
    return node(1, number, nr_children, data);
}

TreeFile& TreeFile::binary(int32_t number, const NodeSpec& data) { return node(2, number, 2, data); }

TreeFile& TreeFile::empty() {
    BinaryWriter out;
    out.i32(-1);
    bytes += out.bytes;
    return *this;
}

TreeFile& TreeFile::raw(std::string_view text) {
    bytes += text;
    return *this;
}

StatsTable repeated_table(int rows, const std::vector<double>& row) {
    return StatsTable(static_cast<size_t>(rows), row);
}
