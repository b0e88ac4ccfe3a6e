// Matrices stated as rows, indexed from `first` in both dimensions.
#pragma once

#include <vector>

#include "utils.h"

template <class T>
Matrix<T> matrix_of(int first, const std::vector<std::vector<T>>& rows) {
    const int nr_rows = static_cast<int>(rows.size()), nr_cols = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    Matrix<T> m(first, first + nr_rows - 1, first, first + nr_cols - 1);
    for (int r = 0; r < nr_rows; ++r)
        for (int c = 0; c < nr_cols; ++c) m.at(first + r, first + c) = rows[size_t(r)][size_t(c)];
    return m;
}

inline DMatrix matrix(int first, const std::vector<std::vector<double>>& rows) { return matrix_of(first, rows); }
