// The Python module brenx: the stored models of both programs, applied to rows from Python.
#include <pybind11/pybind11.h>

PYBIND11_MODULE(brenx, module) { module.doc() = "Apply stored classification models to examples."; }
