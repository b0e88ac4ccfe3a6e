// Arbitrary bytes as a coefficient file: whatever model the reader accepts is shown and
// used to classify a small data set.
#include "Solmet.h"
#include "coeficients.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CiDataset examples = scratch_data_set(Dialect::Solmet);
    write_scratch(".coef", data, size);
    Coefficients coefficients;
    const std::optional<ClassStats> stats = read_coeficientes(scratch_base(), examples.domain, coefficients);
    if (!stats) return 0;
    VERBOSITY = 3;
    PREDICT_PATH = "/dev/null";
    Show_coeficientes(coefficients.matrix, coefficients.nr_rows, coefficients.nr_cols);
    long errors = 0;
    classify_testset(examples, coefficients.matrix, *stats, 1, examples.nr_instances, examples.domain.nr_attributes,
                     errors);
    return 0;
}
