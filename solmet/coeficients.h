// Applying a stored set of linear discriminant functions: the display of the model and
// the classification of a test set with its predictions file.
#pragma once

#include <vector>

#include "../common/Ci_instances.h"
#include "../common/distributions.h"
#include "../common/utils.h"

// Prints the functions, one line per row that has a coefficient other than 0, and the
// number of lines and coefficients printed.
void Show_coeficientes(const DMatrix& coefficients, int nr_rows, int nr_cols);

// Scores of classes 1..C (entry 0 unused) for one example over attributes
// 1..nr_attributes. Class C, the reference, scores 0. The coefficient matrix must have
// rows 1..C-1 and one column per taking-part attribute after the constant.
std::vector<double> discriminant_scores(const Instance& example, const Domain& domain, const DMatrix& coefficients,
                                        const ClassStats& stats, int nr_attributes);

// exp(score - best score) for classes 1..C (entry 0 unused), each difference floored at -25.
std::vector<double> class_weights(const std::vector<double>& scores);

// The class with the largest weight; the lowest class number among equal ones.
int predicted_class(const std::vector<double>& weights);

// Classifies examples first..last of `data`, writes one predicted label per example to
// the predictions file, and returns the confusion matrix [observed][predicted] over the
// classes; the number of misclassified examples goes to `errors`.
IMatrix classify_testset(const CiDataset& data, const DMatrix& coefficients, const ClassStats& stats, int first,
                         int last, int nr_attributes, long& errors);
