// The integer matrix display of the confusion matrices.
#include "matrix.h"

#include <cstdio>

void ShowIMatrix(const IMatrix& m, int rlo, int rhi, int clo, int chi) {
    for (int c = clo; c <= chi; ++c) std::printf("\t[%d]", c);
    for (int r = rlo; r <= rhi; ++r) {
        std::printf("\n[%d]", r);
        for (int c = clo; c <= chi; ++c) std::printf("\t%d", m.contains(r, c) ? m.at(r, c) : 0);
    }
    std::printf("\n");
}
