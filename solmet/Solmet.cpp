// The discriminant classifier's driver and its coefficient file reader.
#include "Solmet.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <new>

#include "../common/block_pipeline.h"
#include "../common/file.h"
#include "../common/predictions.h"
#include "../common/probabilities.h"
#include "../common/replacing_file.h"
#include "../common/report.h"
#include "coeficients.h"

namespace {

constexpr const char* kOptions = "f:v:p:r:j:T:us:";

constexpr OptionHelp kOptionHelp[] = {
    {'f', "dataset", "read dataset.domain (or dataset.names), dataset.test and dataset.coef; required"},
    {'v', "verbosity", "how much to print, default 0: 2 lists the examples, 3 their probabilities too"},
    {'p', "predictions", "write the predictions to this file instead of dataset.pred"},
    {'r', "report", "write the results of the run to this file as one JSON object"},
    {'j', "threads", "threads that classify, default (or 0) as many as the CPUs the run may use"},
    {'T', "test", "read the test examples from this file instead of dataset.test; - for standard input"},
    {'u', "", "read an example whose class is ? as unlabelled: classified, not counted"},
    {'s', "file", "write each example's class probabilities to this file as CSV"},
};

void report_unreadable(const std::string& name, const Messages& messages) {
    messages.say("Can not read in file %s.coef\n", name.c_str());
}

// A model must score classes 1..C-1 over the constant and every attribute, and its
// coefficients must be able to be in what is left of the file.
bool usable_shape(BinaryReader& file, int32_t nr_rows, int32_t nr_cols, const Domain& domain) {
    if (nr_rows < 0 || nr_cols < 0) return false;
    if (nr_rows < domain.nr_classes() - 1 || nr_cols < domain.nr_attributes + 1) return false;
    return file.fits(nr_rows, static_cast<uint64_t>(nr_cols) * sizeof(double));
}

// Out of memory, a printing reader says so and throws OutOfMemory; another passes bad_alloc on.
DMatrix allocate_matrix(int32_t nr_rows, int32_t nr_cols, const Messages& messages) {
    try {
        return DMatrix(1, nr_rows, 1, nr_cols);
    } catch (const std::bad_alloc&) {
        if (!messages.prints()) throw;
        std::fprintf(stderr, "E)dmatrix: Out of memory![%ld %ld]\n", static_cast<long>(nr_rows),
                     static_cast<long>(nr_cols));
        throw OutOfMemory{};
    }
}

// Rows 1..nr_rows of nr_cols doubles; the counts have been checked against the file.
std::optional<DMatrix> read_matrix(BinaryReader& file, int32_t nr_rows, int32_t nr_cols, const Messages& messages) {
    DMatrix matrix = allocate_matrix(nr_rows, nr_cols, messages);
    for (int r = 1; r <= nr_rows; ++r)
        if (!file.read_f64s(matrix.row(r), static_cast<size_t>(nr_cols))) return std::nullopt;
    return matrix;
}

// What classifying the test set gave, however it was read.
struct TestResult {
    Domain domain{};  // the examples' domain, without ignored attributes
    long examples = 0;
    long unlabelled = 0;  // read without a class (-u): classified, in neither the matrix nor the errors
    long rejected_lines = 0;
    IMatrix confusion{};  // [observed][predicted]
    long errors = 0;
    bool predictions_lost = false;
    bool probabilities_lost = false;     // the -s file could not be written in full
    ProbabilityFigures probabilities{};  // of the labelled examples, for the report
    bool test_unreadable = false;        // the test file gave a read error, which ended it
};

std::optional<ClassStats> read_model(BinaryReader& file, const std::string& name, const Domain& domain,
                                     Coefficients& coefficients, const Messages& messages) {
    const std::optional<int32_t> nr_rows = file.read_i32();
    const std::optional<int32_t> nr_cols = file.read_i32();
    if (!nr_rows || !nr_cols || !usable_shape(file, *nr_rows, *nr_cols, domain)) {
        report_unreadable(name, messages);
        return std::nullopt;
    }
    std::optional<DMatrix> matrix = read_matrix(file, *nr_rows, *nr_cols, messages);
    if (!matrix) {
        report_unreadable(name, messages);
        return std::nullopt;
    }
    coefficients = Coefficients{std::move(*matrix), *nr_rows, *nr_cols};
    return read_stats(file, domain, domain.nr_attributes);
}

std::optional<ClassStats> read_model(const std::string& name, const Domain& domain, Coefficients& coefficients,
                                     const Messages& messages) {
    std::optional<BinaryReader> file = BinaryReader::open(name + ".coef");
    if (!file) {
        messages.say("Can not open file %s.coef\n", name.c_str());
        return std::nullopt;
    }
    return read_model(*file, name, domain, coefficients, messages);
}

// The model when it can be read, without a word either way, memory running short included.
std::optional<ClassStats> probe_coeficientes(const std::string& name, const Domain& domain,
                                             Coefficients& coefficients) {
    try {
        return read_model(name, domain, coefficients, Messages::silent());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// Writes the -r report of a run; the exit status.
int report_run(const std::string& name, const std::string& test_path, const TestResult& result, double seconds) {
    const RunReport report{
        .program = "Solmet",
        .version = SOLMET_VERSION,
        .dataset = name,
        .files = {{"domain", domain_file_name(name)}, {"test", test_path}, {"model", name + ".coef"}},
        .classes = class_labels(result.domain),
        .examples = result.examples,
        .labelled = result.examples - result.unlabelled,
        .unlabelled = result.unlabelled,
        .rejected_lines = result.rejected_lines,
        .errors = result.errors,
        .confusion = {.matrix = &result.confusion, .predicted_rows = false},
        .probabilities = result.probabilities,
        .tree_run = std::nullopt,
        .cpu_seconds = seconds,
    };
    return write_run_report(report);
}

// The lines that follow the reading of the test set: the domain without its ignored
// attributes, and the number of examples.
void print_examples_read(const std::string& name, const Domain& domain, const Domain& examples_domain, long examples) {
    if (examples_domain.nr_attributes != domain.nr_attributes)
        std::printf("Redefining domain to %d Attributes\n", examples_domain.nr_attributes);
    std::printf("Read %ld Examples from file: %s.data\n", examples, name.c_str());
}

// The results after classification: confusion matrix, error line, failed writes and the
// report. Returns the exit status.
int report_results(const std::string& name, const std::string& test_path, const TestResult& result,
                   clock_t start_ticks) {
    const clock_t end_ticks = user_cpu_ticks();
    if (VERBOSITY > 1) {
        const int nr_classes = result.domain.nr_classes();
        std::printf("Confusion Matrix:\n");
        ShowIMatrix(result.confusion, 1, nr_classes, 1, nr_classes);
    }
    const double seconds = cpu_seconds(start_ticks, end_ticks);
    const long labelled = result.examples - result.unlabelled;
    std::printf("\nLinear Discriminant test set Error %f (%ld / %ld) Test Time: %6.2f (sec)\n",
                error_rate(result.errors, labelled), result.errors, labelled, seconds);
    if (UNLABELLED) std::printf("Unlabelled examples classified: %ld\n", result.unlabelled);
    int status = result.test_unreadable ? EXIT_RUN_FAILED : 0;
    if (result.predictions_lost) {
        report_unwritten_file(SetPathName(PREDICT_PATH, result.domain.name, ".pred"));
        status = EXIT_RUN_FAILED;
    }
    if (result.probabilities_lost) {
        report_unwritten_file(*PROBABILITY_PATH);
        status = EXIT_RUN_FAILED;
    }
    if (REPORT_PATH && report_run(name, test_path, result, seconds) != 0) status = EXIT_RUN_FAILED;
    return status;
}

// The run that holds the whole test set: read it, then the model, then classify.
int run_on_whole_set(const std::string& name, const std::string& test_path, const Domain& domain, TextReader& test_file,
                     clock_t start_ticks) {
    const CiDataset data = ReadCiDataset(test_file, domain, Dialect::Solmet);
    print_examples_read(name, domain, data.domain, data.nr_instances);
    if (VERBOSITY > 4) {
        ShowDomain(data.domain);
        Show_CiInstances(data, 1, data.nr_instances);
    }
    Coefficients coefficients;
    const std::optional<ClassStats> stats = read_coeficientes(name, data.domain, coefficients);
    if (!stats) {
        std::fprintf(stderr, "Coefficients File %s.coef Not Found!\n", name.c_str());
        return EXIT_RUN_FAILED;
    }
    Show_coeficientes(coefficients.matrix, coefficients.nr_rows, coefficients.nr_cols);
    TestResult result{.domain = data.domain,
                      .examples = data.nr_instances,
                      .unlabelled = count_unlabelled(data),
                      .rejected_lines = data.rejected_lines};
    const std::unique_ptr<ReplacingFile> probabilities = open_probabilities(data.domain);
    result.confusion =
        classify_testset(data, coefficients.matrix, *stats, 1, data.nr_instances, data.domain.nr_attributes,
                         result.errors, &result.predictions_lost, probabilities ? probabilities->stream() : nullptr,
                         REPORT_PATH ? &result.probabilities : nullptr);
    result.probabilities_lost = probabilities && !probabilities->commit();
    result.test_unreadable = test_file.failed();
    return report_results(name, test_path, result, start_ticks);
}

// The run that streams the test set, when nothing it prints needs the whole set first:
// the model is read first, each block of examples is classified as it is read, and the
// output comes in the same order as the whole set's run gives it. Nothing, with nothing
// done, when the model cannot be read (the whole set's run then says why where it always
// has) or the predictions file is the test file or the standard output.
std::optional<int> run_streaming(const std::string& name, const std::string& test_path, const Domain& domain,
                                 TextReader& test_file, const File& test_stream, clock_t start_ticks) {
    if (VERBOSITY > 1) return std::nullopt;
    TestResult result{.domain = examples_domain(domain)};
    Coefficients coefficients;
    const std::optional<ClassStats> stats = probe_coeficientes(name, result.domain, coefficients);
    if (!stats) return std::nullopt;
    const std::string predictions_path = SetPathName(PREDICT_PATH, result.domain.name, ".pred");
    if (names_file_of(predictions_path, test_stream.get()) || names_file_of(predictions_path, stdout))
        return std::nullopt;

    result.confusion = confusion_matrix(result.domain.nr_classes());
    PredictionWriter predictions(predictions_path, result.domain, PredictionWriter::Buffering::Blocks);
    const std::unique_ptr<ReplacingFile> probabilities = open_probabilities(result.domain);
    ExampleBlocks blocks(test_file, domain, Dialect::Solmet);
    const auto make_classifier = [&] {
        return block_classifier(result.domain, coefficients.matrix, *stats, result.domain.nr_attributes);
    };
    run_block_pipeline(blocks, thread_count(), make_classifier, [&](ExampleBlock& block) {
        if (probabilities && probabilities->stream() != nullptr)
            std::fwrite(block.rows.data(), 1, block.rows.size(), probabilities->stream());
        result.probabilities.add(block.figures);
        for (size_t i = 1; i < block.examples.size(); ++i) {
            const int observed = block.examples[i].class_value;
            const int predicted = block.predicted[i - 1];
            predictions.write(predicted);
            if (observed == 0) {  // unlabelled (-u): classified, not counted
                ++result.unlabelled;
                continue;
            }
            result.confusion.at(observed, predicted) += 1;
            if (predicted != observed) ++result.errors;
        }
    });
    result.examples = blocks.examples();
    result.rejected_lines = blocks.rejected();
    result.test_unreadable = test_file.failed();
    print_examples_read(name, domain, result.domain, result.examples);
    Show_coeficientes(coefficients.matrix, coefficients.nr_rows, coefficients.nr_cols);
    predictions.say_if_unopened();
    result.predictions_lost = !predictions.close();
    result.probabilities_lost = probabilities && !probabilities->commit();
    return report_results(name, test_path, result, start_ticks);
}

// The run after the options; the exit status.
int run(const std::string& name) {
    const clock_t start_ticks = user_cpu_ticks();
    print_banner("Linear Discriminant", SOLMET_VERSION);

    std::optional<Domain> domain = ReadDomain(name, ".domain", Dialect::Solmet);
    if (!domain) {
        std::fprintf(stderr, "File %s.domain Not Found!\n", name.c_str());
        return EXIT_RUN_FAILED;
    }
    domain->nr_attributes -= 1;  // the last declared attribute is the class
    std::printf("Read domain file: %s.domain (%d Attributes %d Classes)\n", name.c_str(), domain->nr_attributes,
                domain->nr_classes());

    const std::string test_path = TEST_PATH.value_or(name + ".test");
    const File test_file = open_input(test_path);
    if (!test_file) {
        std::fprintf(stderr, "File %s.test Not Found!\n", name.c_str());
        return EXIT_RUN_FAILED;
    }
    TextReader reader(test_file.get());
    if (const std::optional<int> status = run_streaming(name, test_path, *domain, reader, test_file, start_ticks))
        return *status;
    return run_on_whole_set(name, test_path, *domain, reader, start_ticks);
}

}  // namespace

std::optional<ClassStats> read_coeficientes(const std::string& name, const Domain& domain, Coefficients& coefficients,
                                            const Messages& messages) {
    return read_model(name, domain, coefficients, messages);
}

std::optional<ClassStats> read_coeficientes(BinaryReader& file, const std::string& name, const Domain& domain,
                                            Coefficients& coefficients, const Messages& messages) {
    return read_model(file, name, domain, coefficients, messages);
}

int solmet_main(int argc, char** argv) {
    if (const auto status = answer_help_or_version(argc, argv, {"Solmet", SOLMET_VERSION, kOptionHelp})) return *status;
    const std::optional<std::string> name = scan_options(argc, argv, kOptions);
    if (!name) {
        print_usage(argc, argv, SOLMET_VERSION);
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
