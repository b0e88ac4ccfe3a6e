// Domain descriptions and example sets: the records, their text readers and displays.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "utils.h"

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

// Number of IGNORE attributes in the domain read last; the example reader depends on it.
extern int NR_IGNORES;

// Reads base + suffix (".domain"), falling back to base + ".names". Prints its own
// messages; nothing when no valid domain could be read.
std::optional<Domain> ReadDomain(const std::string& base, const std::string& suffix, Dialect dialect);
std::optional<Domain> ReadNames(const std::string& base, const std::string& suffix, Dialect dialect);

// Copy of the domain without its IGNORE attributes (the class stays last).
Domain RemoveIgnore(const Domain& domain);

// Number of the first label of `attribute` equal to `label`; 0 when there is none
// (attributes without labels, CONTINUOUS and DATE among them, give 0).
int IdValLbl(const Domain& domain, int attribute, const std::string& label);
// Label `number` of `attribute` (the class name for nr_attributes + 1). Caller passes a valid number.
const std::string& LblValId(const Domain& domain, int attribute, int number);

void ShowDomain(const Domain& domain);

// ---- Examples --------------------------------------------------------------------------

enum AttValStatus : int { STATUS_KNOWN = 0, STATUS_UNKNOWN = 1, STATUS_DONTCARE = 2 };

// Value stored for unknown and don't-care values: minus the largest finite float.
constexpr double UNKNOWN_VALUE = -3.4028234663852886e38;

struct AttVal {
    int status = STATUS_KNOWN;
    // Label number (NOMINAL, ORDERED), the integer (INTEGER, DATE) or the real
    // (CONTINUOUS and derived attributes); every integer kind is exact in a double.
    double value = 0.0;

    int32_t int_value() const;  // the stored integer of a discrete or DATE value
};

struct Instance {
    int class_value = 0;
    int nr_attributes = 0;
    double weight = 1.0;
    std::vector<AttVal> values;  // 0..nr_attributes; entry 0 holds the example number
};

struct CiDataset {
    Domain domain;  // without IGNORE attributes
    int nr_instances = 0;
    std::vector<Instance> instances;  // 1..nr_instances; entry 0 unused
    long rejected_lines = 0;          // lines dropped with a message
};

// The example reader's position in its file: the line counter of its messages.
struct ExampleReader {
    long line = 0;
    long rejected = 0;  // lines dropped with a message
};

// Reads every example of an open stream. Throws OutOfMemory (after its message) when
// the example array cannot grow.
CiDataset ReadCiDataset(std::FILE* stream, const Domain& domain, Dialect dialect);

// Reads one example line; the values and the class number, or nothing for a line that
// yields no example.
std::optional<std::vector<AttVal>> ReadCiInstance(std::FILE* stream, const Domain& domain, long number,
                                                  int& class_value, ExampleReader& reader, Dialect dialect);

// Resizes the values to `size` entries (0..size-1); new entries are known zeros.
int Ci_ReBuildInstance(Instance& instance, int size);

void ShowCiInstance(const Domain& domain, const std::vector<AttVal>& values, int count);
void Show_CiInstances(const CiDataset& dataset, int first, int last);
