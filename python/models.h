// The models the Python module applies: a stored tree or a set of discriminant functions
// with their domain, read and applied as the programs read and apply them.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "../common/block_pipeline.h"
#include "../common/distributions.h"
#include "../dravik/tree.h"
#include "../solmet/Solmet.h"

// A file of the model that could not be opened (`error_number` is its errno), or that the
// programs refuse (`error_number` 0). The message is what the programs say on standard
// error about it; `path` names the file.
class LoadError : public std::runtime_error {
public:
    LoadError(const std::string& message, std::string file, int error)
        : std::runtime_error(message), path(std::move(file)), error_number(error) {}
    std::string path;
    int error_number;
};

struct Model {
    enum class Kind { Tree, Coefficients };
    Kind kind = Kind::Tree;
    std::string dataset;
    Domain declared;  // as its file declares it, nr_attributes without the class
    Domain domain;    // the examples' domain: without the ignored attributes
    std::optional<Tree> tree;
    TreeSummary summary;
    Coefficients coefficients;
    std::optional<ClassStats> stats;

    Dialect dialect() const { return kind == Kind::Tree ? Dialect::Main : Dialect::Solmet; }
};

// dataset.domain (else dataset.names) and dataset.tree, as the tree classifier reads them.
// Throws LoadError.
Model load_tree(const std::string& dataset);
// dataset.domain (else dataset.names) and dataset.coef, as the discriminant classifier
// reads them. Throws LoadError.
Model load_coefficients(const std::string& dataset);

// What a classification is asked for: the threads (0 or less: every CPU the process may
// use), the neighbours voting at exemplar leaves, and what each block gives.
struct Request {
    int threads = 0;
    int neighbours = 0;
    BlockOutputs outputs{.rows = false, .figures = false, .probabilities = false};
};

// Room each example of a block should have for the values the model derives.
uint32_t derived_room(const Model& model);

// Classifies every example of `source` and hands the blocks to `merge` in order, on the
// calling thread. A tree whose leaves vote with exemplars (the examples themselves, by
// number) classifies the whole set at once, in order, on the calling thread. Returns the
// user CPU seconds spent classifying.
double classify(const Model& model, BlockSource& source, const Request& request,
                const std::function<void(ExampleBlock& block)>& merge);

// The report, as the programs' -r writes it, of a run over the test file `test_path`
// (-u when `unlabelled`). Nothing is printed: lines the reader drops are counted. Throws
// LoadError when the file cannot be opened or read to its end.
std::string evaluate(const Model& model, const std::string& test_path, const Request& request, bool unlabelled);
