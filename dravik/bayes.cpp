#include "bayes.h"

#include "Dravik.h"

std::vector<int> modelled_classes(const std::vector<double>& class_counts, int nr_classes, int32_t nr_attributes) {
    const double threshold = KH * static_cast<double>(nr_attributes);
    std::vector<int> classes;
    for (int c = 1; c <= nr_classes && static_cast<size_t>(c) < class_counts.size(); ++c)
        if (class_counts[static_cast<size_t>(c)] >= threshold) classes.push_back(c);
    return classes;
}
