// The discriminant classifier's driver and its coefficient file reader.
#include "Solmet.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <new>

#include "../common/file.h"
#include "../common/report.h"
#include "coeficients.h"

namespace {

constexpr const char* kVersion = "3.1";
constexpr const char* kOptions = "f:v:p:r:";

constexpr OptionHelp kOptionHelp[] = {
    {'f', "dataset", "read dataset.domain (or dataset.names), dataset.test and dataset.coef; required"},
    {'v', "verbosity", "how much to print, default 0: 2 lists the examples, 3 their probabilities too"},
    {'p', "predictions", "write the predictions to this file instead of dataset.pred"},
    {'r', "report", "write the results of the run to this file as one JSON object"},
};

void report_unreadable(const std::string& name) {
    std::fprintf(stderr, "Can not read in file %s.coef\n", name.c_str());
}

// A model must score classes 1..C-1 over the constant and every attribute, and its
// coefficients must be able to be in what is left of the file.
bool usable_shape(BinaryReader& file, int32_t nr_rows, int32_t nr_cols, const Domain& domain) {
    if (nr_rows < 0 || nr_cols < 0) return false;
    if (nr_rows < domain.nr_classes() - 1 || nr_cols < domain.nr_attributes + 1) return false;
    return file.fits(nr_rows, static_cast<uint64_t>(nr_cols) * sizeof(double));
}

DMatrix allocate_matrix(int32_t nr_rows, int32_t nr_cols) {
    try {
        return DMatrix(1, nr_rows, 1, nr_cols);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "E)dmatrix: Out of memory![%ld %ld]\n", static_cast<long>(nr_rows),
                     static_cast<long>(nr_cols));
        throw OutOfMemory{};
    }
}

// Rows 1..nr_rows of nr_cols doubles; the counts have been checked against the file.
std::optional<DMatrix> read_matrix(BinaryReader& file, int32_t nr_rows, int32_t nr_cols) {
    DMatrix matrix = allocate_matrix(nr_rows, nr_cols);
    for (int r = 1; r <= nr_rows; ++r)
        if (!file.read_f64s(matrix.row(r), static_cast<size_t>(nr_cols))) return std::nullopt;
    return matrix;
}

// Writes the -r report of a run; the exit status.
int write_run_report(const std::string& name, const CiDataset& data, const IMatrix& confusion, long errors,
                     double seconds) {
    const RunReport report{
        .program = "Solmet",
        .version = kVersion,
        .dataset = name,
        .files = {{"domain", domain_file_name(name)}, {"test", name + ".test"}, {"model", name + ".coef"}},
        .classes = class_labels(data.domain),
        .examples = data.nr_instances,
        .rejected_lines = data.rejected_lines,
        .errors = errors,
        .confusion = {.matrix = &confusion, .predicted_rows = false},
        .tree_run = std::nullopt,
        .cpu_seconds = seconds,
    };
    if (write_report(*REPORT_PATH, report)) return 0;
    report_unwritten_file(*REPORT_PATH);
    return 1;
}

// Everything after the test set is read: the model, its display, the classification and
// the report. Returns the exit status.
int classify_and_report(const std::string& name, const CiDataset& data, clock_t start_ticks) {
    Coefficients coefficients;
    const std::optional<ClassStats> stats = read_coeficientes(name, data.domain, coefficients);
    if (!stats) {
        std::fprintf(stderr, "Coefficients File %s.coef Not Found!\n", name.c_str());
        return EXIT_RUN_FAILED;
    }
    Show_coeficientes(coefficients.matrix, coefficients.nr_rows, coefficients.nr_cols);

    long errors = 0;
    bool predictions_lost = false;
    const IMatrix confusion = classify_testset(data, coefficients.matrix, *stats, 1, data.nr_instances,
                                               data.domain.nr_attributes, errors, &predictions_lost);
    const clock_t end_ticks = user_cpu_ticks();

    if (VERBOSITY > 1) {
        const int nr_classes = data.domain.nr_classes();
        std::printf("Confusion Matrix:\n");
        ShowIMatrix(confusion, 1, nr_classes, 1, nr_classes);
    }
    const long examples = data.nr_instances;
    const double seconds = cpu_seconds(start_ticks, end_ticks);
    std::printf("\nLinear Discriminant test set Error %f (%ld / %ld) Test Time: %6.2f (sec)\n",
                error_rate(errors, examples), errors, examples, seconds);
    int status = 0;
    if (predictions_lost) {
        report_unwritten_file(SetPathName(PREDICT_PATH, data.domain.name, ".pred"));
        status = 1;
    }
    if (REPORT_PATH && write_run_report(name, data, confusion, errors, seconds) != 0) status = 1;
    return status;
}

// The run after the options; the exit status.
int run(const std::string& name) {
    const clock_t start_ticks = user_cpu_ticks();
    print_banner("Linear Discriminant", kVersion);

    std::optional<Domain> domain = ReadDomain(name, ".domain", Dialect::Solmet);
    if (!domain) {
        std::fprintf(stderr, "File %s.domain Not Found!\n", name.c_str());
        return EXIT_RUN_FAILED;
    }
    domain->nr_attributes -= 1;  // the last declared attribute is the class
    std::printf("Read domain file: %s.domain (%d Attributes %d Classes)\n", name.c_str(), domain->nr_attributes,
                domain->nr_classes());

    const std::string test_path = name + ".test";
    const File test_file = File::open(test_path, "r");
    if (!test_file) {
        std::fprintf(stderr, "File %s.test Not Found!\n", name.c_str());
        return EXIT_RUN_FAILED;
    }
    const CiDataset data = ReadCiDataset(test_file.get(), *domain, Dialect::Solmet);
    if (data.domain.nr_attributes != domain->nr_attributes)
        std::printf("Redefining domain to %d Attributes\n", data.domain.nr_attributes);
    std::printf("Read %ld Examples from file: %s.data\n", static_cast<long>(data.nr_instances), name.c_str());
    if (VERBOSITY > 4) {
        ShowDomain(data.domain);
        Show_CiInstances(data, 1, data.nr_instances);
    }
    return classify_and_report(name, data, start_ticks);
}

}  // namespace

std::optional<ClassStats> read_coeficientes(const std::string& name, const Domain& domain, Coefficients& coefficients) {
    std::optional<BinaryReader> file = BinaryReader::open(name + ".coef");
    if (!file) {
        std::fprintf(stderr, "Can not open file %s.coef\n", name.c_str());
        return std::nullopt;
    }
    return read_coeficientes(*file, name, domain, coefficients);
}

std::optional<ClassStats> read_coeficientes(BinaryReader& file, const std::string& name, const Domain& domain,
                                            Coefficients& coefficients) {
    const std::optional<int32_t> nr_rows = file.read_i32();
    const std::optional<int32_t> nr_cols = file.read_i32();
    if (!nr_rows || !nr_cols || !usable_shape(file, *nr_rows, *nr_cols, domain)) {
        report_unreadable(name);
        return std::nullopt;
    }
    std::optional<DMatrix> matrix = read_matrix(file, *nr_rows, *nr_cols);
    if (!matrix) {
        report_unreadable(name);
        return std::nullopt;
    }
    coefficients = Coefficients{std::move(*matrix), *nr_rows, *nr_cols};
    return read_stats(file, domain, domain.nr_attributes);
}

int solmet_main(int argc, char** argv) {
    if (const auto status = answer_help_or_version(argc, argv, {"Solmet", kVersion, kOptionHelp})) return *status;
    const std::optional<std::string> name = scan_options(argc, argv, kOptions);
    if (!name) {
        print_usage(argc, argv, kVersion);
        return EXIT_USAGE;
    }
    int status = EXIT_RUN_FAILED;
    try {
        status = run(*name);
    } catch (const OutOfMemory&) {
        // the reporting site has printed its message
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "Out of memory!\n");
    }
    return finish_standard_output(status);
}
