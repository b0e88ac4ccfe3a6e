// Arbitrary bytes as a coefficient file: whatever model the reader accepts is shown and
// used to classify a small data set, its examples listed with and without probabilities.
#include "Solmet.h"
#include "coeficients.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quiet_standard_output();
    static const CiDataset examples = small_data_set(Dialect::Solmet);
    BinaryReader file = BinaryReader::from_bytes(data, size);
    Coefficients coefficients;
    const std::optional<ClassStats> stats = read_coeficientes(file, "fuzz", examples.domain, coefficients);
    if (!stats) return 0;
    Show_coeficientes(coefficients.matrix, coefficients.nr_rows, coefficients.nr_cols);
    PREDICT_PATH = "/dev/null";
    // Verbosity 2 lists the examples, 3 their probabilities too; below 2 only the way the
    // predictions are buffered differs, which the whole runs cover.
    for (const int16_t verbosity : {int16_t{2}, int16_t{3}}) {
        VERBOSITY = verbosity;
        long errors = 0;
        classify_testset(examples, coefficients.matrix, *stats, 1, examples.nr_instances, examples.domain.nr_attributes,
                         errors);
        if (errors < 0 || errors > examples.nr_instances) std::abort();
    }
    return 0;
}
