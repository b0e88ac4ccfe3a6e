// The Python module brenx: the stored models of both programs, applied to rows from
// Python (pandas DataFrames, numpy arrays, sequences of rows) by the programs' own engine.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "models.h"
#include "rows.h"

namespace py = pybind11;

namespace {

constexpr long BLOCK_ROWS = static_cast<long>(ExampleBlocks::BLOCK_EXAMPLES);

// The numpy scalar types a value may come as, looked up once per call.
struct NumpyTypes {
    py::object numpy = py::module_::import("numpy");
    py::object floating = numpy.attr("floating");
    py::object integer = numpy.attr("integer");
};

// One Python value as a cell. Its text, if any, is the object's own UTF-8 form, which
// lives as long as the object.
Cell cell_of(PyObject* value, const NumpyTypes& numpy) {
    if (value == Py_None) return {};
    if (PyUnicode_Check(value)) {
        Py_ssize_t size = 0;
        const char* text = PyUnicode_AsUTF8AndSize(value, &size);
        if (text == nullptr) throw py::error_already_set();
        return {Cell::Kind::Text, 0.0, std::string_view(text, static_cast<size_t>(size))};
    }
    if (PyFloat_Check(value)) return {Cell::Kind::Number, PyFloat_AS_DOUBLE(value), {}};
    const py::handle object(value);
    const bool integral = (PyLong_Check(value) && !PyBool_Check(value)) || py::isinstance(object, numpy.integer);
    if (integral || py::isinstance(object, numpy.floating)) {
        const double number = PyFloat_AsDouble(value);
        if (number == -1.0 && PyErr_Occurred()) {
            PyErr_Clear();  // an integer beyond any double: no value it could name
            return {Cell::Kind::Number, std::copysign(HUGE_VAL, 1.0), {}};
        }
        return {Cell::Kind::Number, number, {}};
    }
    // pandas' missing-value markers
    const std::string_view type = Py_TYPE(value)->tp_name;
    if (type == "NAType" || type == "NaTType") return {};
    return {Cell::Kind::Other, 0.0, Py_TYPE(value)->tp_name};
}

// One column of a block: numbers, or Python objects.
struct Column {
    py::array held;  // keeps the values alive
    const double* numbers = nullptr;
    PyObject* const* objects = nullptr;
    py::ssize_t stride = 0;  // in elements
    long first = 0;          // the row of its first value
    bool present = false;    // a column the input has

    Cell cell(long row, const NumpyTypes& numpy) const {
        if (!present) return {};
        const py::ssize_t at = (row - first) * stride;
        if (numbers != nullptr) return {Cell::Kind::Number, numbers[at], {}};
        return cell_of(objects[at], numpy);
    }

    // The value of attribute `position` in row `row`. Equal texts are often one object (the
    // readers of tables share them), so the values of recent objects are kept.
    AttVal value(long row, int position, const RowConverter& converter, const NumpyTypes& numpy) {
        if (!present) return AttVal{STATUS_UNKNOWN, UNKNOWN_VALUE};
        const py::ssize_t at = (row - first) * stride;
        if (numbers != nullptr && converter.type(position) == CONTINUOUS)
            return std::isnan(numbers[at]) ? AttVal{STATUS_UNKNOWN, UNKNOWN_VALUE} : AttVal{STATUS_KNOWN, numbers[at]};
        if (numbers != nullptr) return converter.value(row, position, {Cell::Kind::Number, numbers[at], {}});
        PyObject* object = objects[at];
        Recent& recent = recent_[(reinterpret_cast<uintptr_t>(object) >> 4) % recent_.size()];
        if (recent.object != object) recent = {object, converter.value(row, position, cell_of(object, numpy))};
        return recent.value;
    }

private:
    struct Recent {
        PyObject* object = nullptr;  // held by the column
        AttVal value;
    };
    std::array<Recent, 64> recent_{};
};

// The values of a 1-D array, from row `first` on, as a column of doubles when they are
// numbers, else of objects.
Column column_of(const py::object& given, long first) {
    const auto values = given.cast<py::array>();
    Column column;
    column.first = first;
    column.present = true;
    const char kind = values.dtype().kind();
    if (kind == 'f' || kind == 'i' || kind == 'u') {
        column.held = py::array_t<double, py::array::forcecast>::ensure(values);
        column.numbers = static_cast<const double*>(column.held.data());
    } else {
        column.held = values.attr("astype")("object", py::arg("copy") = false).cast<py::array>();
        column.objects = static_cast<PyObject* const*>(column.held.data());
    }
    if (!column.held) throw py::error_already_set();
    column.stride = column.held.ndim() == 1 ? column.held.strides(0) / column.held.itemsize() : 1;
    return column;
}

// The rows a caller gave, read block by block as the pipeline asks for them: a DataFrame
// (columns by attribute name), a 2-D array, or a sequence of rows; and optionally the
// classes of the rows, one per row.
class RowSource : public BlockSource {
public:
    RowSource(const Model& model, py::object rows, py::object classes)
        : converter_(model.declared, model.dialect()),
          room_(derived_room(model)),
          rows_(std::move(rows)),
          classes_(std::move(classes)),
          width_(static_cast<size_t>(model.declared.nr_attributes)) {
        frame_ = py::hasattr(rows_, "columns") && py::hasattr(rows_, "iloc");
        if (frame_) {
            match_columns(model.declared);
        } else if (py::isinstance<py::array>(rows_)) {
            const auto array = py::reinterpret_borrow<py::array>(rows_);
            if (array.ndim() != 2)
                throw py::value_error("an array of rows must have 2 dimensions, not " + std::to_string(array.ndim()));
            array_ = true;
        } else if (!PySequence_Check(rows_.ptr()) || PyUnicode_Check(rows_.ptr())) {
            throw py::type_error("rows must be a pandas DataFrame, a 2-D numpy array or a sequence of rows");
        }
        size_ = static_cast<long>(py::len(rows_));
        if (!classes_.is_none()) classes_ = numpy_.numpy.attr("asarray")(classes_, "object");
        if (!classes_.is_none() && static_cast<long>(py::len(classes_)) != size_)
            throw py::value_error("there are " + std::to_string(size_) + " rows but " +
                                  std::to_string(py::len(classes_)) + " classes");
    }

    long size() const { return size_; }

    InstanceArray stream_block() const override { return converter_.new_block(room_); }

    // On the calling thread, which holds the interpreter lock only while it converts.
    bool read_block(InstanceArray& into) override {
        if (next_ >= size_) return false;
        const py::gil_scoped_acquire gil;
        const long end = std::min(size_, next_ + BLOCK_ROWS);
        try {
            if (frame_)
                read_frame(end, into);
            else if (array_)
                read_array(end, into);
            else
                read_sequence(end, into);
        } catch (py::error_already_set& error) {
            throw RowError(error.what());  // carried out of the pipeline without the interpreter
        }
        next_ = end;
        return true;
    }

private:
    void match_columns(const Domain& declared) {
        const py::object columns = rows_.attr("columns");
        for (int a = 1; a <= declared.nr_attributes + 1; ++a) {
            const Attribute& attribute = declared.attributes[static_cast<size_t>(a)];
            const bool present = columns.attr("__contains__")(attribute.name).cast<bool>();
            const bool required = a <= declared.nr_attributes && attribute.type != IGNORE;
            if (required && !present) throw py::value_error("the DataFrame has no column '" + attribute.name + "'");
            names_.push_back(present ? std::optional(attribute.name) : std::nullopt);
            whole_.push_back(present ? column_in_place(rows_[py::str(attribute.name)]) : Column{});
        }
    }

    // A DataFrame's column of float64 or of objects, read where it is; none for another
    // (integers, categories, pandas' own types), which pandas converts a block at a time.
    Column column_in_place(const py::object& series) const {
        const py::object dtype = series.attr("dtype");
        if (!py::isinstance(dtype, numpy_.numpy.attr("dtype"))) return {};
        const auto kind = dtype.attr("kind").cast<std::string>();
        if ((kind == "f" && dtype.attr("itemsize").cast<int>() == 8) || kind == "O")
            return column_of(series.attr("to_numpy")(), 0);
        return {};
    }

    // The class cell of row `row`, from the classes given; none without them.
    std::optional<Cell> given_class(long row) const {
        if (classes_.is_none()) return std::nullopt;
        return class_cells_.cell(row, numpy_);
    }

    void load_given_classes(long end) {
        if (classes_.is_none()) return;
        class_cells_ = column_of(classes_.attr("__getitem__")(py::slice(next_, end, 1)), next_);
    }

    // Converts the row in cells_, its class the one given for it when there is one.
    void add(long row, InstanceArray& into) {
        if (const std::optional<Cell> observed = given_class(row)) {
            if (cells_.size() == width_) cells_.push_back(*observed);
            if (cells_.size() == width_ + 1) cells_[width_] = *observed;
        }
        converter_.add(row, cells_, into);
    }

    // The columns read in place, and this block of each of the others.
    void read_frame(long end, InstanceArray& into) {
        load_given_classes(end);
        std::vector<Column> columns = whole_;
        const py::object slice = py::slice(next_, end, 1);
        for (size_t c = 0; c < names_.size(); ++c)
            if (names_[c] && !columns[c].present)
                columns[c] = column_of(rows_[py::str(*names_[c])].attr("iloc")[slice].attr("to_numpy")(), next_);
        for (long row = next_; row < end; ++row) {
            kept_.clear();
            for (size_t c = 0; c < width_; ++c) {
                const int position = static_cast<int>(c) + 1;
                if (converter_.type(position) != IGNORE)
                    kept_.push_back(columns[c].value(row, position, converter_, numpy_));
            }
            const std::optional<Cell> observed = given_class(row);
            const Cell class_cell = observed ? *observed : columns.back().cell(row, numpy_);
            converter_.add_values(row, kept_, converter_.class_value(row, class_cell), into);
        }
    }

    void read_array(long end, InstanceArray& into) {
        load_given_classes(end);
        const py::array values = rows_.attr("__getitem__")(py::slice(next_, end, 1));
        if (classes_.is_none() && read_numbers(values, end, into)) return;
        const size_t width = static_cast<size_t>(values.shape(1));
        std::vector<Column> columns;
        for (size_t c = 0; c < width; ++c)
            columns.push_back(
                column_of(values.attr("__getitem__")(py::make_tuple(py::slice(0, values.shape(0), 1), c)), next_));
        for (long row = next_; row < end; ++row) {
            cells_.resize(width);
            for (size_t c = 0; c < width; ++c) cells_[c] = columns[c].cell(row, numpy_);
            add(row, into);
        }
    }

    // A block of an array of numbers, row by row without cells; false, with nothing read,
    // for an array of other values.
    bool read_numbers(const py::array& values, long end, InstanceArray& into) {
        const char kind = values.dtype().kind();
        if (kind != 'f' && kind != 'i' && kind != 'u') return false;
        const auto numbers = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(values);
        if (!numbers) throw py::error_already_set();
        const auto width = static_cast<size_t>(numbers.shape(1));
        for (long row = next_; row < end; ++row)
            converter_.add_numbers(row, {numbers.data(row - next_, 0), width}, into);
        return true;
    }

    void read_sequence(long end, InstanceArray& into) {
        load_given_classes(end);
        for (long row = next_; row < end; ++row) {
            const py::object item = rows_[py::int_(row)];
            const py::object fast =
                py::reinterpret_steal<py::object>(PySequence_Fast(item.ptr(), "each row must be a sequence of values"));
            if (!fast) throw py::error_already_set();
            const auto count = static_cast<size_t>(PySequence_Fast_GET_SIZE(fast.ptr()));
            PyObject** items = PySequence_Fast_ITEMS(fast.ptr());
            cells_.resize(count);
            for (size_t c = 0; c < count; ++c) cells_[c] = cell_of(items[c], numpy_);
            add(row, into);
        }
    }

    RowConverter converter_;
    uint32_t room_;
    py::object rows_;
    py::object classes_;
    size_t width_;  // the domain's attributes, ignored ones included
    NumpyTypes numpy_;
    bool frame_ = false, array_ = false;
    std::vector<std::optional<std::string>> names_;  // a DataFrame's column of each attribute and the class
    std::vector<Column> whole_;                      // the DataFrame's columns read where they are
    Column class_cells_;
    std::vector<Cell> cells_;
    std::vector<AttVal> kept_;
    long size_ = 0;
    long next_ = 0;  // the first row of the next block
};

// Runs a classification with the interpreter released, turning the engine's exceptions
// into Python's.
template <typename Work>
auto without_interpreter(Work&& work) {
    try {
        const py::gil_scoped_release release;
        return work();
    } catch (const RowError& error) {
        throw py::value_error(error.what());
    } catch (const OutOfMemory&) {
        throw std::bad_alloc();
    }
}

[[noreturn]] void raise_load_error(const LoadError& error) {
    if (error.error_number == 0) throw py::value_error(error.what());
    const py::object failure =
        py::module_::import("builtins").attr("OSError")(error.error_number, error.what(), error.path);
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(failure.ptr())), failure.ptr());
    throw py::error_already_set();
}

// A loaded model and what Python asks of it.
class PyModel {
public:
    explicit PyModel(Model model) : model_(std::make_shared<const Model>(std::move(model))) {}

    py::array classes() const {
        py::list names;
        for (const std::string& name : class_labels(model_->domain)) names.append(name);
        return py::module_::import("numpy").attr("array")(names, "str").cast<py::array>();
    }

    std::string class_attribute() const { return model_->declared.class_attribute().name; }

    py::list attributes() const {
        py::list attributes;
        for (int a = 1; a <= model_->declared.nr_attributes; ++a) {
            const Attribute& attribute = model_->declared.attributes[static_cast<size_t>(a)];
            attributes.append(py::make_tuple(attribute.name, attribute_type_name(attribute.type)));
        }
        return attributes;
    }

    py::array predict(py::object rows, int neighbours, int threads) const {
        std::vector<int32_t> predicted;
        RowSource source(*model_, std::move(rows), py::none());
        predicted.reserve(static_cast<size_t>(source.size()));
        const Request request{.threads = threads, .neighbours = neighbours};
        without_interpreter([&] {
            return classify(*model_, source, request, [&](ExampleBlock& block) {
                predicted.insert(predicted.end(), block.predicted.begin(), block.predicted.end());
            });
        });
        return names_of(predicted);
    }

    py::array_t<double> predict_proba(py::object rows, int neighbours, int threads) const {
        RowSource source(*model_, std::move(rows), py::none());
        const auto nr_classes = static_cast<py::ssize_t>(std::max(model_->domain.nr_classes(), 0));
        py::array_t<double> probabilities({static_cast<py::ssize_t>(source.size()), nr_classes});
        double* out = probabilities.mutable_data();
        Request request{.threads = threads, .neighbours = neighbours};
        request.outputs.probabilities = true;
        without_interpreter([&] {
            return classify(*model_, source, request, [&](ExampleBlock& block) {
                out = std::copy(block.probabilities.begin(), block.probabilities.end(), out);
            });
        });
        return probabilities;
    }

    double score(py::object rows, py::object classes, int neighbours, int threads) const {
        RowSource source(*model_, std::move(rows), std::move(classes));
        long labelled = 0, correct = 0;
        const Request request{.threads = threads, .neighbours = neighbours};
        without_interpreter([&] {
            return classify(*model_, source, request, [&](ExampleBlock& block) {
                for (size_t i = 1; i < block.examples.size(); ++i) {
                    const int observed = block.examples[i].class_value;
                    if (observed == 0) continue;
                    ++labelled;
                    if (block.predicted[i - 1] == observed) ++correct;
                }
            });
        });
        return labelled > 0 ? static_cast<double>(correct) / static_cast<double>(labelled) : std::nan("");
    }

    py::object evaluate(const std::string& test_path, int neighbours, int threads, bool unlabelled) const {
        const Request request{.threads = threads, .neighbours = neighbours};
        std::string text;
        try {
            text = without_interpreter([&] { return ::evaluate(*model_, test_path, request, unlabelled); });
        } catch (const LoadError& error) {
            raise_load_error(error);
        }
        return py::module_::import("json").attr("loads")(text);
    }

private:
    // The class names of `predicted`: an array of str, or of objects with None for the
    // examples left unclassified (class 0).
    py::array names_of(const std::vector<int32_t>& predicted) const {
        const py::object numpy = py::module_::import("numpy");
        py::list names;
        names.append(py::none());
        for (const std::string& name : class_labels(model_->domain)) names.append(name);
        const py::array table = numpy.attr("array")(names, "object");
        const py::array codes = py::array_t<int32_t>(static_cast<py::ssize_t>(predicted.size()), predicted.data());
        const py::object chosen = table.attr("__getitem__")(codes);
        const bool all_classified = std::find(predicted.begin(), predicted.end(), 0) == predicted.end();
        if (predicted.empty()) return numpy.attr("array")(py::list(), "str").cast<py::array>();
        if (all_classified) return chosen.attr("astype")("str").cast<py::array>();
        return chosen.cast<py::array>();
    }

    std::shared_ptr<const Model> model_;
};

template <typename Load>
PyModel load(Load&& read, const std::string& dataset) {
    try {
        return PyModel(without_interpreter([&] { return read(dataset); }));
    } catch (const LoadError& error) {
        raise_load_error(error);
    }
}

constexpr const char* MODULE_DOC = R"(Apply stored classification models to examples from Python.

brenx reads the models of the two programs with the programs' own readers and applies them
with the programs' own engine, so that its answers are the programs' answers, bit for bit:

    >>> import brenx
    >>> tree = brenx.load_tree("examples/iris")      # iris.domain (or .names), iris.tree
    >>> tree.predict([[5.1, 3.5, 1.4, 0.2]])
    array(['setosa'], dtype='<U10')
    >>> tree.predict_proba(frame)                     # columns in the order of classes_
    >>> tree.evaluate("examples/iris.test")["error_rate"]

load_tree() gives a stored tree; load_coef() a set of linear discriminant functions.)";

constexpr const char* ROWS_DOC = R"(
X holds one row per example: a pandas DataFrame whose columns are matched to the attributes
by name, a 2-D numpy array (floats for numeric attributes, NaN for unknown values; an object
array when labels and numbers are mixed), or a sequence of rows. A row holds the domain's
attributes in declared order, ignored ones included, as a line of a test file does, and may
end with the class (a DataFrame: a column named as the class attribute), which nearest-
neighbour leaves read from their exemplars. A text value is converted as a field of a test
file is ("?" unknown, "*" don't care, labels by name); None and NaN are unknown values.
A row of the wrong length, a label the domain does not know, or a value whose type fits no
attribute raises ValueError naming the row (from 0) and the attribute.

neighbours is the programs' -K: the nearest exemplars voting at the tree's exemplar leaves,
whose exemplar numbers then index the rows of X, as they index a test file (such a tree
classifies the whole of X at once, on one thread). threads is -j: 0 takes every CPU the
process may use. The interpreter lock is released while the examples are classified.)";

}  // namespace

PYBIND11_MODULE(brenx, module) {
    module.doc() = MODULE_DOC;
    py::class_<PyModel>(module, "Model", "A stored model with its domain, as load_tree() and load_coef() read it.")
        .def_property_readonly("classes_", &PyModel::classes,
                               "The class names in class order: the columns of predict_proba().")
        .def_property_readonly("attributes", &PyModel::attributes,
                               "The attributes as the domain declares them: (name, type) pairs, the type one of\n"
                               "'nominal', 'ordered', 'integer', 'continuous', 'date' and 'ignore'.")
        .def_property_readonly("class_attribute", &PyModel::class_attribute,
                               "The name of the class attribute: the column of a DataFrame that holds the classes.")
        .def("predict", &PyModel::predict, py::arg("X"), py::kw_only(), py::arg("neighbours") = 0,
             py::arg("threads") = 0,
             (std::string("The predicted class name of each row, as the programs' predictions file holds\n"
                          "it: a numpy array of str, or of objects with None where the model leaves a row\n"
                          "unclassified.\n") +
              ROWS_DOC)
                 .c_str())
        .def("predict_proba", &PyModel::predict_proba, py::arg("X"), py::kw_only(), py::arg("neighbours") = 0,
             py::arg("threads") = 0,
             (std::string("The class probabilities of each row: a float64 array of shape (rows, classes),\n"
                          "columns in the order of classes_, equal to the programs' -s file; a row is NaN\n"
                          "where that file leaves its fields empty.\n") +
              ROWS_DOC)
                 .c_str())
        .def("score", &PyModel::score, py::arg("X"), py::arg("y"), py::kw_only(), py::arg("neighbours") = 0,
             py::arg("threads") = 0,
             "The accuracy on the rows of X whose class y gives (a class name, or None or \"?\"\n"
             "for an unlabelled row): the fraction of them predicted as that class. A row left\n"
             "unclassified counts as wrong. NaN when no row is labelled. y also gives the rows\n"
             "their class as exemplars.")
        .def("evaluate", &PyModel::evaluate, py::arg("test_file"), py::kw_only(), py::arg("neighbours") = 0,
             py::arg("threads") = 0, py::arg("unlabelled") = false,
             "Classifies the examples of a test file as the program does and returns its run\n"
             "report (-r) as a dict. unlabelled is -u: a class \"?\" is an unlabelled example.\n"
             "Lines the program would drop with a message are dropped silently and counted in\n"
             "\"rejected_lines\". Raises OSError when the file cannot be read.");
    module.def(
        "load_tree", [](const std::string& dataset) { return load(load_tree, dataset); }, py::arg("dataset"),
        "Reads dataset.domain (else dataset.names) and dataset.tree as the tree classifier does.\n"
        "Raises FileNotFoundError for a missing file and ValueError, with the program's message,\n"
        "for one the program refuses.");
    module.def(
        "load_coef", [](const std::string& dataset) { return load(load_coefficients, dataset); }, py::arg("dataset"),
        "Reads dataset.domain (else dataset.names) and dataset.coef as the discriminant classifier\n"
        "does. Raises FileNotFoundError for a missing file and ValueError, with the program's\n"
        "message, for one the program refuses.");
}
