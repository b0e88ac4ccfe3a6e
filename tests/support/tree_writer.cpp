#include "tree_writer.h"

#include <limits>

std::string node_data(const NodeFields& fields) {
    const auto count_of = [](size_t size) { return static_cast<int32_t>(size); };
    BinaryWriter out;
    out.i32(fields.attribute).i16(fields.norvex);
    out.f64(fields.cut).f64(fields.lower).f64(fields.upper).f64(0).f64(0);
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
    std::vector<double> counts{weight};
    for (double p : class_dist) counts.push_back(weight * p);
    return {.class_dist = class_dist, .class_counts = counts};
}

TreeFile& TreeFile::node(int32_t kind, int32_t number, int32_t nr_children, const NodeFields& data) {
    bytes += BinaryWriter{}.i32(kind).i32(number).i32(nr_children).bytes + node_data(data);
    return *this;
}

TreeFile& TreeFile::empty() {
    bytes += BinaryWriter{}.i32(-1).bytes;
    return *this;
}

// Every node kind and model. The root's linear model (yes scores -8 + 0.1 humidity)
// appends P(yes), P(no) as attributes 3, 4; node 2 tests attribute 3; node 4 is a
// naive-Bayes leaf; node 5 routes by its Norvex model (both components, yes scoring
// 8 - 0.1 humidity) to a neighbour leaf or an inert node that runs its naive-Bayes model
// and answers nothing; node 8 has an empty second child and a third that only the display
// shows.
std::string every_kind_tree() {
    const StatsTable humidity(3, {0, 80, 60, 100}), half(3, {0, 0.5, 0, 1});
    NodeFields root{.attribute = 1, .class_dist = {0.4, 0.6}, .nr_attributes = 2, .coefs = {{-8, 0.1}}};
    root.stats = {StatsTable(3, {0, 1, 1, 1, 2}), humidity};
    // Both classes at least 2.5 * 4.
    NodeFields bayes{.norvex = 1, .class_dist = {0.3, 0.7}, .class_counts = {30, 10, 20}, .nr_attributes = 4};
    bayes.nr_norvex_classes = 2;
    bayes.stats = {{{3, 8, 10, 9, 2}, {1, 0, 5, 4, 2}, {2, 8, 5, 5, 2}}, humidity, humidity, humidity};
    NodeFields routed{.norvex = 1, .class_dist = {0.5, 0.5}, .class_counts = {24, 12, 12}, .nr_attributes = 4};
    routed.bayes_error = 0.25;
    routed.discrim_error = 0.5;
    routed.coefs = {{8, -0.1}};
    routed.nr_norvex_classes = 2;
    routed.stats = {{{3, 7, 9, 5, 2}, {1, 1, 6, 4, 2}, {2, 6, 3, 1, 2}}, humidity, humidity, humidity};
    // The neighbour leaf measures distances over the root's P(yes), P(no) too (training means 0.5).
    NodeFields neighbours{.class_dist = {0.6, 0.4}, .class_counts = {10, 6, 4}, .nr_attributes = 4};
    neighbours.exemplars = {1, std::numeric_limits<double>::quiet_NaN(), 4, 0.5, 8, 99};  // 3 numbers name no example
    neighbours.nr_norvex_classes = 2;                                                     // so that it has statistics
    neighbours.stats = {
        {{3, 3, 4, 3, 2}, {1, 0, 4, 0, 2}, {2, 3, 0, 3, 2}}, StatsTable(3, {0, 75, 60, 100}), half, half};
    NodeFields inert{.class_dist = {1, 0}, .class_counts = {24, 12, 12}, .nr_attributes = 4, .nr_norvex_classes = 2};
    inert.stats = {{{3, 3, 6, 3, 2}, {1, 2, 3, 6, 2}, {2, 1, 3, 6, 2}}, humidity, humidity, humidity};
    // Kinds: 0 leaf, 1 multi-way, 2 binary, 3 binary on a derived value, 7 none the program knows.
    TreeFile file;
    file.leaf(3, leaf_data({0.8, 0.2}, 5)).leaf(4, bayes);
    file.node(3, 2, 2, {.attribute = 3, .cut = 0.5, .lower = 0.4, .upper = 0.6, .class_dist = {0.5, 0.5}});
    file.leaf(6, neighbours).node(7, 7, 0, inert).node(1, 5, 2, routed);
    file.leaf(9, leaf_data({0.25, 0.75}, 4)).empty().leaf(10, leaf_data({0.5, 0.5}, 2));
    file.node(2, 8, 3, {.attribute = 2, .cut = 80, .lower = 75, .upper = 85, .class_dist = {0.1, 0.9}});
    return file.empty().node(1, 1, 4, root).bytes;
}
