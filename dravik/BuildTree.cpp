#include "BuildTree.h"

#include "bayes.h"

int predict_class(const std::vector<double>& class_counts, int i, int nr_classes, int32_t nr_attributes) {
    if (nr_classes < 1) return 1;
    const std::vector<int> classes = modelled_classes(class_counts, nr_classes, nr_attributes);
    if (i < 1 || static_cast<size_t>(i) > classes.size()) return nr_classes + 1;
    return classes[static_cast<size_t>(i) - 1];
}
