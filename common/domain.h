// Domain descriptions: the attribute records, their reader, label lookups and display.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "messages.h"
#include "text_reader.h"

// Attribute type codes; stored in the records and compared throughout the classifiers.
enum AttributeType : int {
    NOMINAL = 0,
    ORDERED = 1,
    INTEGER = 2,
    CONTINUOUS = 3,
    IGNORE = 4,
    DATE = 5,
};

struct Attribute {
    std::string name;
    int type = NOMINAL;
    std::vector<std::string> values;  // labels 1..nr_values; entry 0 unused

    int nr_values() const { return values.empty() ? 0 : static_cast<int>(values.size()) - 1; }
};

struct Domain {
    std::string name;
    // As read, counts every entry including the class; the drivers subtract one at once,
    // after which the class attribute is entry nr_attributes + 1.
    int nr_attributes = 0;
    std::vector<Attribute> attributes;  // entries 1..; entry 0 unused

    const Attribute& class_attribute() const { return attributes[static_cast<size_t>(nr_attributes) + 1]; }
    int nr_classes() const { return class_attribute().nr_values(); }
};

// Reads base + suffix (".domain"), falling back to base + ".names". Says its own messages;
// nothing when no valid domain could be read.
std::optional<Domain> ReadDomain(const std::string& base, const std::string& suffix, Dialect dialect,
                                 const Messages& messages = {});
std::optional<Domain> ReadNames(const std::string& base, const std::string& suffix, Dialect dialect,
                                const Messages& messages = {});

// Copy of the domain without its IGNORE attributes (the class stays last).
Domain RemoveIgnore(const Domain& domain);

// Number of the first label of `attribute` equal to `label`; 0 when there is none
// (attributes without labels, CONTINUOUS and DATE among them, give 0).
int IdValLbl(const Domain& domain, int attribute, std::string_view label);
// Label `number` of `attribute` (the class name for nr_attributes + 1). Caller passes a valid number.
const std::string& LblValId(const Domain& domain, int attribute, int number);

// The word of an attribute type: "nominal", "ordered", "integer", "continuous", "date" or
// "ignore"; empty for a code that is none of them.
const char* attribute_type_name(int type);

void ShowDomain(const Domain& domain);
