#include "Ci_instances.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <cstdlib>
#include <new>

int NR_IGNORES = 0;

// ---- Domain description ------------------------------------------------------------------

namespace {

std::string_view value_separators(Dialect dialect) { return dialect == Dialect::Main ? ",\t" : ", ;\t"; }

// NOMINAL labels become INTEGER when they are integers that strictly increase (the
// older dialect compares their values as reals and takes any text).
bool labels_are_integers(const std::vector<std::string>& labels, Dialect dialect) {
    if (dialect == Dialect::Main) {
        if (!all_integers(labels)) return false;
        for (size_t i = 1; i < labels.size(); ++i)
            if (compare_integer_texts(labels[i - 1], labels[i]) >= 0) return false;
        return true;
    }
    for (size_t i = 1; i < labels.size(); ++i)
        if (!(std::strtod(labels[i - 1].c_str(), nullptr) < std::strtod(labels[i].c_str(), nullptr))) return false;
    return true;
}

// Type and labels of a declaration from the fields of its value list.
void classify_declaration(const std::vector<std::string>& fields, Attribute& attribute, Dialect dialect) {
    if (fields.size() == 1) {
        if (fields[0] == "continuous") {
            attribute.type = CONTINUOUS;
        } else if (dialect == Dialect::Main && fields[0] == "date") {
            attribute.type = DATE;
        } else {
            attribute.type = IGNORE;
            if (dialect == Dialect::Solmet) std::fprintf(stderr, "Invalid Attribute declaration\n");
        }
        return;
    }
    if (fields[0] == "ignore") {
        attribute.type = IGNORE;
        return;
    }
    attribute.values.reserve(fields.size() + 1);
    attribute.values.emplace_back();
    attribute.values.insert(attribute.values.end(), fields.begin(), fields.end());
    if (dialect == Dialect::Main && fields[0] == "[ordered]") {
        attribute.type = ORDERED;
    } else {
        attribute.type = labels_are_integers(fields, dialect) ? INTEGER : NOMINAL;
    }
}

// What a declaration whose name begins with "|" (after blanks and tabs) is. ".names"
// files written for other tools carry comment lines, some holding colons; ".domain"
// files declare such a name like any other.
enum class BarNames { Declare, Comment };

bool begins_with_bar(std::string_view name) {
    const size_t first = name.find_first_not_of(" \t");
    return first != std::string_view::npos && name[first] == '|';
}

// Passes over the rest of the current line, its line end included; a read error ends
// the line as the end of the file does.
void skip_rest_of_line(std::FILE* stream) {
    int c = 0;
    do {
        c = std::ferror(stream) ? EOF : std::fgetc(stream);
    } while (c != '\n' && c != EOF);
}

// One declaration "name: values"; nothing when no complete declaration could be read.
std::optional<Attribute> Processa_atributo(std::FILE* stream, Dialect dialect, BarNames bar_names) {
    std::optional<std::string> name = ReadField(stream, ":\n", dialect);
    if (!name || Trim(*name).empty()) return std::nullopt;
    if (bar_names == BarNames::Comment && begins_with_bar(*name)) {
        skip_rest_of_line(stream);
        return std::nullopt;
    }
    const std::vector<std::string> fields = ReadLine(stream, value_separators(dialect), dialect);
    if (fields.empty()) return std::nullopt;
    Attribute attribute;
    attribute.name = std::move(*name);
    classify_declaration(fields, attribute, dialect);
    if (attribute.type == IGNORE) ++NR_IGNORES;
    return attribute;
}

// Every declaration to the end of the stream, as entries 1..n.
Domain GenerateDomainInfo(std::FILE* stream, Dialect dialect, BarNames bar_names) {
    Domain domain;
    domain.attributes.emplace_back();
    while (!stream_at_end(stream)) {
        std::optional<Attribute> attribute = Processa_atributo(stream, dialect, bar_names);
        if (attribute) domain.attributes.push_back(std::move(*attribute));
    }
    domain.nr_attributes = static_cast<int>(domain.attributes.size()) - 1;
    return domain;
}

// A usable domain has at least one entry, and its last entry (the class) has labels.
bool has_labelled_class(const Domain& domain) {
    return domain.nr_attributes >= 1 && domain.attributes.back().nr_values() > 0;
}

// The class list of a ".names" file: the first line that yields a field. Header
// comments, blank lines and lines of separators before it are passed over.
std::vector<std::string> read_class_line(std::FILE* stream, Dialect dialect) {
    std::vector<std::string> classes;
    while (classes.empty() && !stream_at_end(stream)) classes = ReadLine(stream, ", ;\t", dialect);
    return classes;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::optional<Domain> ReadNames(const std::string& base, const std::string& suffix, Dialect dialect) {
    NR_IGNORES = 0;
    const std::string path = base + suffix;
    File file(std::fopen(path.c_str(), "r"));
    if (!file) return std::nullopt;
    const std::vector<std::string> classes = read_class_line(file.get(), dialect);
    if (classes.empty()) {
        std::fprintf(stderr, "Read Names: %s Invalid domain file\n", path.c_str());
        return std::nullopt;
    }
    // The older dialect keeps its own rule: its field reader takes a "|" that starts a
    // line as a comment, and one after blanks as part of a name.
    const BarNames bar_names = dialect == Dialect::Main ? BarNames::Comment : BarNames::Declare;
    Domain domain = GenerateDomainInfo(file.get(), dialect, bar_names);
    Attribute class_attribute;
    class_attribute.name = "Classe";
    class_attribute.type = NOMINAL;
    class_attribute.values.emplace_back();
    class_attribute.values.insert(class_attribute.values.end(), classes.begin(), classes.end());
    domain.attributes.push_back(std::move(class_attribute));
    domain.nr_attributes += 1;
    domain.name = base;
    return domain;
}

std::optional<Domain> ReadDomain(const std::string& base, const std::string& suffix, Dialect dialect) {
    NR_IGNORES = 0;
    const std::string path = base + suffix;
    std::optional<Domain> domain;
    if (File file{std::fopen(path.c_str(), "r")}) {
        domain = GenerateDomainInfo(file.get(), dialect, BarNames::Declare);
        domain->name = base;
    } else {
        domain = ReadNames(base, ".names", dialect);
    }
    if (!domain || !has_labelled_class(*domain)) {
        std::fprintf(stderr, "Read Domain: %s Invalid domain file\n", path.c_str());
        return std::nullopt;
    }
    return domain;
}

Domain RemoveIgnore(const Domain& domain) {
    Domain reduced;
    reduced.name = domain.name;
    reduced.attributes.emplace_back();
    for (int a = 1; a <= domain.nr_attributes + 1; ++a)
        if (domain.attributes[static_cast<size_t>(a)].type != IGNORE)
            reduced.attributes.push_back(domain.attributes[static_cast<size_t>(a)]);
    reduced.nr_attributes = static_cast<int>(reduced.attributes.size()) - 2;
    return reduced;
}

int IdValLbl(const Domain& domain, int attribute, const std::string& label) {
    if (attribute < 1 || static_cast<size_t>(attribute) >= domain.attributes.size()) return 0;
    const Attribute& a = domain.attributes[static_cast<size_t>(attribute)];
    if (a.type == CONTINUOUS || a.type == DATE) return 0;
    for (int v = 1; v <= a.nr_values(); ++v)
        if (a.values[static_cast<size_t>(v)] == label) return v;
    return 0;
}

const std::string& LblValId(const Domain& domain, int attribute, int number) {
    static const std::string missing = "?";
    if (attribute < 1 || static_cast<size_t>(attribute) >= domain.attributes.size()) return missing;
    const Attribute& a = domain.attributes[static_cast<size_t>(attribute)];
    if (number < 1 || number > a.nr_values()) return missing;
    return a.values[static_cast<size_t>(number)];
}

namespace {

const char* type_word(int type) {
    switch (type) {
        case NOMINAL: return "nominal\n";
        case ORDERED: return "ordered\n";
        case INTEGER: return "integer\n";
        case CONTINUOUS: return "continuous\n";
        case DATE: return "date\n";
        default: return "";
    }
}

}  // namespace

void ShowDomain(const Domain& domain) {
    std::printf("\nPROBLEM NAME :: %s\nNR.ATTRIBUTES :: %d\n\n", domain.name.c_str(), domain.nr_attributes);
    for (int i = 1; i <= domain.nr_attributes + 1; ++i) {
        const Attribute& a = domain.attributes[static_cast<size_t>(i)];
        std::printf("Attribute n.%d : %s\n", i, a.name.c_str());
        std::printf("\tType : %s", type_word(a.type));
        if (a.nr_values() != 0) {
            std::printf("\tNr.Different Values : %d\n", a.nr_values());
            std::printf("\tValues :: %s", a.values[1].c_str());
            for (int v = 2; v <= a.nr_values(); ++v) std::printf(", %s", a.values[static_cast<size_t>(v)].c_str());
            std::printf("\n");
        }
        std::printf("\n");
    }
}

// ---- Examples ------------------------------------------------------------------------------

int32_t AttVal::int_value() const {
    if (!(value >= INT32_MIN && value <= INT32_MAX)) return 0;
    return static_cast<int32_t>(value);
}

namespace {

std::string_view example_separators(Dialect dialect) { return dialect == Dialect::Main ? ",\t" : ",\t "; }

int count_ignored(const Domain& domain) {
    int ignored = 0;
    for (int a = 1; a <= domain.nr_attributes; ++a)
        if (domain.attributes[static_cast<size_t>(a)].type == IGNORE) ++ignored;
    return ignored;
}

AttVal unknown(int status) { return AttVal{status, UNKNOWN_VALUE}; }

void report_invalid_value(long number, long line, int position, const std::string& field, bool integer,
                          Dialect dialect) {
    const char* format = dialect == Dialect::Solmet
                             ? "ReadAttVal: Instance %ld (Line %ld) Invalid attribute ( %d )value: %s\n"
                         : integer ? "ReadAttVal: Instance %ld (Line %ld) Invalid attribute ( %d )value:'%s'\n"
                                   : "ReadAttVal: Instance %ld (Line %ld) Invalid attribute ( %d )value: '%s'\n";
    std::fprintf(stderr, format, number, line, position, field.c_str());
}

// The value of attribute `position` from its field text.
AttVal decode_value(const Domain& domain, int position, const std::string& field, long number, long line,
                    Dialect dialect) {
    if (field[0] == '?') return unknown(STATUS_UNKNOWN);
    if (field[0] == '*') return unknown(STATUS_DONTCARE);
    switch (domain.attributes[static_cast<size_t>(position)].type) {
        case NOMINAL:
        case ORDERED: {
            const int label = IdValLbl(domain, position, field);
            if (label != 0) return AttVal{STATUS_KNOWN, static_cast<double>(label)};
            report_invalid_value(number, line, position, field, false, dialect);
            return unknown(STATUS_UNKNOWN);
        }
        case INTEGER:
            if (IdValLbl(domain, position, field) == 0) report_invalid_value(number, line, position, field, true, dialect);
            return AttVal{STATUS_KNOWN, static_cast<double>(c_atoi(field.c_str()))};
        case CONTINUOUS: {
            const double value = std::strtod(field.c_str(), nullptr);
            if (std::isnan(value)) return unknown(STATUS_UNKNOWN);
            return AttVal{STATUS_KNOWN, value};
        }
        default:  // DATE
            return AttVal{STATUS_KNOWN, static_cast<double>(c_atoi(field.c_str()))};
    }
}

// The attribute fields of one line; nothing for an empty line or a wrong field count.
std::optional<std::vector<AttVal>> ReadAttVal(std::FILE* stream, const Domain& domain, long number, long line,
                                              Dialect dialect, long& rejected) {
    const int n = domain.nr_attributes;
    // An empty or comment line yields nothing: find out before sizing the values.
    std::optional<std::string> field;
    if (n >= 1) {
        field = ReadField(stream, example_separators(dialect), dialect);
        if (!field) return std::nullopt;
    }
    std::vector<AttVal> values;
    try {
        values.assign(static_cast<size_t>(n - count_ignored(domain) + 1), AttVal{});
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "ReadAttVal: Out of Memory Example %ld\n", number);
        throw OutOfMemory{};
    }
    values[0].value = static_cast<double>(number);
    size_t stored = 1;
    for (int position = 1; position <= n; ++position) {
        if (position > 1) field = ReadField(stream, example_separators(dialect), dialect);
        if (!field) {
            ++rejected;
            if (dialect == Dialect::Main)
                std::fprintf(stderr, "ReadAttVal: Instance %ld (Line %ld) Invalid number of attributes: %d\n", number,
                             line, position);
            else
                std::fprintf(stderr, "ReadAttVal: Instance %ld (Line %ld) Invalid number of attributes\n", number,
                             line);
            return std::nullopt;
        }
        if (domain.attributes[static_cast<size_t>(position)].type == IGNORE) continue;
        values[stored++] = decode_value(domain, position, *field, number, line, dialect);
    }
    return values;
}

}  // namespace

std::optional<std::vector<AttVal>> ReadCiInstance(std::FILE* stream, const Domain& domain, long number,
                                                  int& class_value, ExampleReader& reader, Dialect dialect) {
    class_value = -1;
    const bool main_dialect = dialect == Dialect::Main;
    if (main_dialect && number == 1) reader.line = 0;
    // The older dialect counts every call, whatever the line held, after the messages.
    struct CountCall {
        ExampleReader& reader;
        bool active;
        ~CountCall() {
            if (active) ++reader.line;
        }
    } count_call{reader, !main_dialect};

    std::optional<std::vector<AttVal>> values =
        ReadAttVal(stream, domain, number, reader.line, dialect, reader.rejected);
    if (!values) return std::nullopt;
    const std::optional<std::string> class_field = ReadField(stream, example_separators(dialect), dialect);
    // Without attributes, a line that has no class field is simply an empty line.
    if (!class_field && domain.nr_attributes == 0) return std::nullopt;
    if (main_dialect) ++reader.line;
    const std::string class_text = class_field.value_or("");
    class_value = class_field ? IdValLbl(domain, domain.nr_attributes + 1, class_text) : 0;
    if (class_value == 0) {
        ++reader.rejected;
        std::fprintf(stderr, "ReadAttVal: Instance %ld (Line %ld) Invalid Classe value: %s\n", number, reader.line,
                     class_text.c_str());
        return std::nullopt;
    }
    return values;
}

namespace {

constexpr size_t INSTANCE_BLOCK = 10000;

std::vector<Instance> ReadCiInstances(std::FILE* stream, const Domain& domain, Dialect dialect, long& rejected_lines) {
    std::printf("Reading examples");
    std::vector<Instance> instances(1);  // entry 0 unused
    const int stored_attributes = domain.nr_attributes - count_ignored(domain);
    ExampleReader reader;
    size_t capacity = 0;
    if (!stream_at_end(stream)) {
        do {
            capacity += INSTANCE_BLOCK;
            try {
                instances.reserve(capacity + 1);
            } catch (const std::bad_alloc&) {
                std::fprintf(stderr, "CiReadInstances: Not enough memory\n");
                throw OutOfMemory{};
            }
            std::printf(".");
            std::fflush(stdout);
            while (instances.size() - 1 < capacity) {
                const long number = static_cast<long>(instances.size());
                int class_value = 0;
                std::optional<std::vector<AttVal>> values =
                    ReadCiInstance(stream, domain, number, class_value, reader, dialect);
                if (values) instances.push_back(Instance{class_value, stored_attributes, 1.0, std::move(*values)});
                if (stream_at_end(stream)) break;
            }
        } while (!stream_at_end(stream));
    }
    instances.shrink_to_fit();
    rejected_lines = reader.rejected;
    std::printf("\n");
    return instances;
}

}  // namespace

CiDataset ReadCiDataset(std::FILE* stream, const Domain& domain, Dialect dialect) {
    CiDataset dataset;
    dataset.instances = ReadCiInstances(stream, domain, dialect, dataset.rejected_lines);
    dataset.nr_instances = static_cast<int>(dataset.instances.size()) - 1;
    dataset.domain = count_ignored(domain) != 0 ? RemoveIgnore(domain) : domain;
    return dataset;
}

int Ci_ReBuildInstance(Instance& instance, int size) {
    if (size < 1) return 0;
    try {
        instance.values.resize(static_cast<size_t>(size), AttVal{});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    instance.nr_attributes = size - 1;
    return 1;
}

void ShowCiInstance(const Domain& domain, const std::vector<AttVal>& values, int count) {
    if (values.empty()) return;
    for (int i = 1; i <= count && static_cast<size_t>(i) < values.size(); ++i) {
        const AttVal& v = values[static_cast<size_t>(i)];
        if (v.status != STATUS_KNOWN) {
            std::printf("?\t");
            continue;
        }
        const int type = i <= domain.nr_attributes ? domain.attributes[static_cast<size_t>(i)].type : CONTINUOUS;
        switch (type) {
            case NOMINAL:
            case ORDERED: std::printf("%s\t", LblValId(domain, i, v.int_value()).c_str()); break;
            case INTEGER: std::printf("%d\t", v.int_value()); break;
            case DATE: std::printf("%ld\t", static_cast<long>(v.int_value())); break;
            default: std::printf("%6.3f\t", v.value); break;
        }
    }
    std::printf("\n");
}

void Show_CiInstances(const CiDataset& dataset, int first, int last) {
    if (last > dataset.nr_instances) last = dataset.nr_instances;
    std::printf("\nId\tNr.Att\tWeight\tCl\n");
    for (int i = std::max(first, 1); i <= last; ++i) {
        const Instance& instance = dataset.instances[static_cast<size_t>(i)];
        std::printf("%.0f\t%d\t%.3f\t%d\t", instance.values.empty() ? 0.0 : instance.values[0].value,
                    instance.nr_attributes, instance.weight, instance.class_value);
        ShowCiInstance(dataset.domain, instance.values, instance.nr_attributes);
    }
}
