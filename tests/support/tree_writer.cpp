#include "tree_writer.h"

std::string node_data(const NodeFields& fields) {
    const auto count_of = [](size_t size) { return static_cast<int32_t>(size); };
    BinaryWriter out;
    out.i32(fields.attribute).i16(fields.norvex);
    out.f64(fields.cut).f64(fields.lower).f64(fields.upper).f64(fields.static_errors).f64(fields.spare_value);
    out.f64s(fields.class_dist);
    out.f64s(fields.class_counts.empty() ? std::vector<double>(fields.class_dist.size() + 1, 0.0)
                                         : fields.class_counts);
    out.i32(fields.nr_attributes).f64(fields.bayes_error).f64(fields.discrim_error);

    out.i32(fields.nr_exemplars.value_or(count_of(fields.exemplars.size())));
    out.f64s(fields.exemplars);

    const size_t columns = fields.coefs.empty() ? 0 : fields.coefs.front().size();
    out.i32(fields.nr_coefs.value_or(count_of(columns)));
    out.i32(fields.nr_linears.value_or(count_of(fields.coefs.size())));
    out.i32(fields.nr_norvex_classes);
    for (const std::vector<double>& row : fields.coefs) out.f64s(row);
    write_stats(out, fields.stats);
    return out.bytes;
}

NodeFields leaf_data(const std::vector<double>& class_dist, double weight) {
    NodeFields fields;
    fields.class_dist = class_dist;
    fields.class_counts.push_back(weight);
    for (double p : class_dist) fields.class_counts.push_back(weight * p);
    return fields;
}

TreeFile& TreeFile::node(int32_t kind, int32_t number, int32_t nr_children, const NodeFields& data) {
    return raw(BinaryWriter{}.i32(kind).i32(number).i32(nr_children).bytes + node_data(data));
}

TreeFile& TreeFile::leaf(int32_t number, const NodeFields& data) { return node(0, number, 0, data); }

TreeFile& TreeFile::multiway(int32_t number, int32_t nr_children, const NodeFields& data) {
    return node(1, number, nr_children, data);
}

TreeFile& TreeFile::binary(int32_t number, const NodeFields& data) { return node(2, number, 2, data); }

TreeFile& TreeFile::empty() { return raw(BinaryWriter{}.i32(-1).bytes); }

TreeFile& TreeFile::raw(std::string_view text) {
    bytes += text;
    return *this;
}

StatsTable repeated_table(int rows, const std::vector<double>& row) {
    return StatsTable(static_cast<size_t>(rows), row);
}
