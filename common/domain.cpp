// The domain reader of both dialects, ".domain" and ".names" files, lookups and display.
#include "domain.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>

#include "file.h"
#include "numbers.h"

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
void classify_declaration(const std::vector<std::string>& fields, Attribute& attribute, Dialect dialect,
                          const Messages& messages) {
    if (fields.size() == 1) {
        if (fields[0] == "continuous") {
            attribute.type = CONTINUOUS;
        } else if (dialect == Dialect::Main && fields[0] == "date") {
            attribute.type = DATE;
        } else {
            attribute.type = IGNORE;
            if (dialect == Dialect::Solmet) messages.say("Invalid Attribute declaration\n");
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

// One declaration "name: values"; nothing when no complete declaration could be read.
std::optional<Attribute> Processa_atributo(TextReader& stream, Dialect dialect, BarNames bar_names,
                                           const Messages& messages) {
    std::optional<std::string> name = ReadField(stream, ":\n", dialect);
    if (!name || Trim(*name).empty()) return std::nullopt;
    if (bar_names == BarNames::Comment && begins_with_bar(*name)) {
        stream.skip_line();
        return std::nullopt;
    }
    const std::vector<std::string> fields = ReadLine(stream, value_separators(dialect), dialect);
    if (fields.empty()) return std::nullopt;
    Attribute attribute;
    attribute.name = std::move(*name);
    classify_declaration(fields, attribute, dialect, messages);
    return attribute;
}

// Every declaration to the end of the stream, as entries 1..n.
Domain GenerateDomainInfo(TextReader& stream, Dialect dialect, BarNames bar_names, const Messages& messages) {
    Domain domain;
    domain.attributes.emplace_back();
    while (!stream_at_end(stream)) {
        std::optional<Attribute> attribute = Processa_atributo(stream, dialect, bar_names, messages);
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
std::vector<std::string> read_class_line(TextReader& stream, Dialect dialect) {
    std::vector<std::string> classes;
    while (classes.empty() && !stream_at_end(stream)) classes = ReadLine(stream, ", ;\t", dialect);
    return classes;
}

// Domain files are small.
constexpr size_t DOMAIN_BLOCK_SIZE = 64 * 1024;

}  // namespace

std::optional<Domain> ReadNames(const std::string& base, const std::string& suffix, Dialect dialect,
                                const Messages& messages) {
    const std::string path = base + suffix;
    File file = File::open(path, "r");
    if (!file) return std::nullopt;
    TextReader stream(file.get(), DOMAIN_BLOCK_SIZE);
    const std::vector<std::string> classes = read_class_line(stream, dialect);
    if (classes.empty()) {
        messages.say("Read Names: %s Invalid domain file\n", path.c_str());
        return std::nullopt;
    }
    // The older dialect keeps its own rule: its field reader takes a "|" that starts a
    // line as a comment, and one after blanks as part of a name.
    const BarNames bar_names = dialect == Dialect::Main ? BarNames::Comment : BarNames::Declare;
    Domain domain = GenerateDomainInfo(stream, dialect, bar_names, messages);
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

std::optional<Domain> ReadDomain(const std::string& base, const std::string& suffix, Dialect dialect,
                                 const Messages& messages) {
    const std::string path = base + suffix;
    std::optional<Domain> domain;
    if (File file = File::open(path, "r")) {
        TextReader stream(file.get(), DOMAIN_BLOCK_SIZE);
        domain = GenerateDomainInfo(stream, dialect, BarNames::Declare, messages);
        domain->name = base;
    } else {
        domain = ReadNames(base, ".names", dialect, messages);
    }
    if (!domain || !has_labelled_class(*domain)) {
        messages.say("Read Domain: %s Invalid domain file\n", path.c_str());
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

int IdValLbl(const Domain& domain, int attribute, std::string_view label) {
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

const char* attribute_type_name(int type) {
    switch (type) {
        case NOMINAL:
            return "nominal";
        case ORDERED:
            return "ordered";
        case INTEGER:
            return "integer";
        case CONTINUOUS:
            return "continuous";
        case DATE:
            return "date";
        case IGNORE:
            return "ignore";
        default:
            return "";
    }
}

void ShowDomain(const Domain& domain) {
    std::printf("\nPROBLEM NAME :: %s\nNR.ATTRIBUTES :: %d\n\n", domain.name.c_str(), domain.nr_attributes);
    for (int i = 1; i <= domain.nr_attributes + 1; ++i) {
        const Attribute& a = domain.attributes[static_cast<size_t>(i)];
        std::printf("Attribute n.%d : %s\n", i, a.name.c_str());
        // ignored attributes show no type, nor a line end after it
        if (a.type == IGNORE || *attribute_type_name(a.type) == '\0')
            std::printf("\tType : ");
        else
            std::printf("\tType : %s\n", attribute_type_name(a.type));
        if (a.nr_values() != 0) {
            std::printf("\tNr.Different Values : %d\n", a.nr_values());
            std::printf("\tValues :: %s", a.values[1].c_str());
            for (int v = 2; v <= a.nr_values(); ++v) std::printf(", %s", a.values[static_cast<size_t>(v)].c_str());
            std::printf("\n");
        }
        std::printf("\n");
    }
}
