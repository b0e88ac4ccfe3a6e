// Applying a stored set of linear discriminant functions: the display of the model and
// the classification of a test set with its predictions file.
#pragma once

#include <vector>

#include "../common/Ci_instances.h"
#include "../common/block_pipeline.h"
#include "../common/distributions.h"
#include "../common/utils.h"

// Prints the functions, one line per row that has a coefficient other than 0, and the
// number of lines and coefficients printed.
void Show_coeficientes(const DMatrix& coefficients, int nr_rows, int nr_cols);

// A classifier of example blocks for one worker: the class of largest weight of each
// example, as classify_testset finds it, and the `outputs` asked for. It keeps references
// to its arguments.
BlockClassifier block_classifier(const Domain& domain, const DMatrix& coefficients, const ClassStats& stats,
                                 int nr_attributes, const BlockOutputs& outputs = {});

// A zero confusion matrix over the classes; out of memory, says so and throws OutOfMemory.
IMatrix confusion_matrix(int nr_classes);

// The class with the largest weight; the lowest class number among equal ones.
int predicted_class(const std::vector<double>& weights);

// Classifies examples first..last of `data`, writes one predicted label per example to
// the predictions file, and returns the confusion matrix [observed][predicted] over the
// classes; the number of misclassified examples goes to `errors`. When asked,
// `predictions_lost` tells whether the predictions file was opened but did not take
// every line (a full disk). When `probabilities` is given, each example's row of the class
// probabilities file is written to it; when `figures` is, the probabilities of the labelled
// examples are added to it.
IMatrix classify_testset(const CiDataset& data, const DMatrix& coefficients, const ClassStats& stats, int first,
                         int last, int nr_attributes, long& errors, bool* predictions_lost = nullptr,
                         std::FILE* probabilities = nullptr, ProbabilityFigures* figures = nullptr);
