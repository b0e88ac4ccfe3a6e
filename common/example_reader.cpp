// The example reader: one example per line, each value checked against the domain.
#include "example_reader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>

#include "numbers.h"
#include "options.h"
#include "run_support.h"

namespace {

std::string_view example_separators(Dialect dialect) { return dialect == Dialect::Main ? ",\t" : ",\t "; }

int count_ignored(const Domain& domain) {
    int ignored = 0;
    for (int a = 1; a <= domain.nr_attributes; ++a)
        if (domain.attributes[static_cast<size_t>(a)].type == IGNORE) ++ignored;
    return ignored;
}

AttVal unknown(int status) { return AttVal{status, UNKNOWN_VALUE}; }

// IdValLbl for one attribute, with a hash index over long label lists.
class LabelLookup {
public:
    explicit LabelLookup(const Attribute& attribute) : attribute_(&attribute) {
        if (attribute.type == CONTINUOUS || attribute.type == DATE || attribute.nr_values() <= LINEAR_SCAN) return;
        for (int v = attribute.nr_values(); v >= 1; --v) index_[attribute.values[static_cast<size_t>(v)]] = v;
    }
    int number(std::string_view label) const {
        const Attribute& a = *attribute_;
        if (a.type == CONTINUOUS || a.type == DATE) return 0;
        if (a.nr_values() <= LINEAR_SCAN) {
            for (int v = 1; v <= a.nr_values(); ++v)
                if (a.values[static_cast<size_t>(v)] == label) return v;
            return 0;
        }
        const auto found = index_.find(label);
        return found == index_.end() ? 0 : found->second;
    }

private:
    static constexpr int LINEAR_SCAN = 8;
    const Attribute* attribute_;
    std::unordered_map<std::string_view, int> index_;  // the first label of each text
};

}  // namespace

// What reading the examples of one domain needs, worked out once.
struct ExampleFormat {
    ExampleFormat(const Domain& of_domain, Dialect in_dialect, const ReadingOptions& reading = {})
        : domain(of_domain),
          lines(reading.lines),
          unlabelled(reading.unlabelled),
          messages(reading.messages),
          dialect(in_dialect),
          rules(example_separators(in_dialect), in_dialect),
          stored(of_domain.nr_attributes - count_ignored(of_domain)) {
        labels.reserve(static_cast<size_t>(of_domain.nr_attributes) + 1);
        types.reserve(static_cast<size_t>(of_domain.nr_attributes) + 1);
        for (int a = 1; a <= domain.nr_attributes + 1; ++a) {
            labels.emplace_back(domain.attributes[static_cast<size_t>(a)]);
            types.push_back(domain.attributes[static_cast<size_t>(a)].type);
        }
    }
    const LabelLookup& lookup(int position) const { return labels[static_cast<size_t>(position) - 1]; }
    int type(int position) const { return types[static_cast<size_t>(position) - 1]; }

    const Domain& domain;
    bool lines;       // each example's line is wanted
    bool unlabelled;  // a class field "?" is an unlabelled example
    Messages messages;
    Dialect dialect;
    FieldRules rules;
    int stored;                       // values kept per example
    std::vector<LabelLookup> labels;  // positions 1..nr_attributes + 1
    std::vector<int> types;           // likewise
};

namespace {

std::string message_head(long number, long line) {
    char head[96];
    std::snprintf(head, sizeof head, "ReadAttVal: Instance %ld (Line %ld) ", number, line);
    return head;
}

void report_invalid_value(const ExampleFormat& format, long number, long line, int position, std::string_view field,
                          bool integer) {
    const char* open = format.dialect == Dialect::Solmet ? " " : integer ? "'" : " '";
    const char* close = format.dialect == Dialect::Solmet ? "\n" : "'\n";
    format.messages.say(message_head(number, line) + "Invalid attribute ( " + std::to_string(position) +
                        " )value:" + open + std::string(field) + close);
}

// The value of attribute `position` from its field text; nothing for a text that is not
// one of the attribute's labels.
std::optional<AttVal> field_value(const ExampleFormat& format, int position, std::string_view field) {
    if (field[0] == '?') return unknown(STATUS_UNKNOWN);
    if (field[0] == '*') return unknown(STATUS_DONTCARE);
    switch (format.type(position)) {
        case NOMINAL:
        case ORDERED: {
            const int label = format.lookup(position).number(field);
            if (label == 0) return std::nullopt;
            return AttVal{STATUS_KNOWN, static_cast<double>(label)};
        }
        case INTEGER:
            if (format.lookup(position).number(field) == 0) return std::nullopt;
            return AttVal{STATUS_KNOWN, static_cast<double>(c_atoi(field))};
        case CONTINUOUS: {
            const double value = c_strtod(field);
            if (std::isnan(value)) return unknown(STATUS_UNKNOWN);
            return AttVal{STATUS_KNOWN, value};
        }
        default:  // DATE
            return AttVal{STATUS_KNOWN, static_cast<double>(c_atoi(field))};
    }
}

// The same, saying so and taking what the reader takes for a text that is not a label.
AttVal decode_value(const ExampleFormat& format, int position, std::string_view field, long number, long line) {
    if (const std::optional<AttVal> value = field_value(format, position, field)) return *value;
    const bool integer = format.type(position) == INTEGER;
    report_invalid_value(format, number, line, position, field, integer);
    return integer ? AttVal{STATUS_KNOWN, static_cast<double>(c_atoi(field))} : unknown(STATUS_UNKNOWN);
}

// The next example's slice of the value storage; running out of memory ends the run.
AttVal* slice_for(const ExampleFormat& format, InstanceArray& instances, long number) {
    try {
        return instances.next_slice();
    } catch (const std::bad_alloc&) {
        format.messages.say("ReadAttVal: Out of Memory Example %ld\n", number);
        throw OutOfMemory{};
    }
}

// Decodes the attribute fields of one line into the next slice of `instances`; false for
// an empty line or a wrong field count.
bool ReadAttVal(TextReader& stream, const ExampleFormat& format, long number, long line, InstanceArray& instances,
                ExampleReader& reader) {
    long& rejected = reader.rejected;
    const int n = format.domain.nr_attributes;
    // An empty or comment line yields nothing: find out before taking a slice.
    std::optional<std::string_view> field;
    if (n >= 1) {
        field = stream.read_field(format.rules);
        if (!field) return false;
        if (format.lines) reader.first_field_line = stream.line_of(*field);
    }
    AttVal* values = slice_for(format, instances, number);
    values[0] = AttVal{STATUS_KNOWN, static_cast<double>(number)};
    size_t stored = 1;
    for (int position = 1; position <= n; ++position) {
        if (position > 1) field = stream.read_field(format.rules);
        if (!field) {
            ++rejected;
            if (format.dialect == Dialect::Main)
                format.messages.say("ReadAttVal: Instance %ld (Line %ld) Invalid number of attributes: %d\n", number,
                                    line, position);
            else
                format.messages.say("ReadAttVal: Instance %ld (Line %ld) Invalid number of attributes\n", number, line);
            return false;
        }
        if (format.type(position) == IGNORE) continue;
        values[stored++] = decode_value(format, position, *field, number, line);
    }
    return true;
}

// Reads one example line into the next slice of `instances`; its class number, or nothing
// for a line that yields no example.
std::optional<int> ReadCiInstance(TextReader& stream, const ExampleFormat& format, long number,
                                  InstanceArray& instances, ExampleReader& reader) {
    const bool main_dialect = format.dialect == Dialect::Main;
    if (main_dialect && number == 1) reader.line = 0;
    // The older dialect counts every call, whatever the line held, after the messages.
    struct CountCall {
        ExampleReader& reader;
        bool active;
        ~CountCall() {
            if (active) ++reader.line;
        }
    } count_call{reader, !main_dialect};

    if (!ReadAttVal(stream, format, number, reader.line, instances, reader)) return std::nullopt;
    const std::optional<std::string_view> class_field = stream.read_field(format.rules);
    if (format.lines && format.domain.nr_attributes == 0 && class_field)
        reader.first_field_line = stream.line_of(*class_field);
    // Without attributes, a line that has no class field is simply an empty line.
    if (!class_field && format.domain.nr_attributes == 0) return std::nullopt;
    if (main_dialect) ++reader.line;
    // Under -u a class field "?" is an unlabelled example: class 0.
    if (format.unlabelled && class_field == "?") return 0;
    const int class_value = class_field ? format.lookup(format.domain.nr_attributes + 1).number(*class_field) : 0;
    if (class_value == 0) {
        ++reader.rejected;
        format.messages.say(message_head(number, reader.line) +
                            "Invalid Classe value: " + std::string(class_field.value_or("")) + "\n");
        return std::nullopt;
    }
    return class_value;
}

void make_room(const ExampleFormat& format, InstanceArray& instances, size_t count) {
    try {
        instances.reserve(count);
    } catch (const std::bad_alloc&) {
        format.messages.say("CiReadInstances: Not enough memory\n");
        throw OutOfMemory{};
    }
}

}  // namespace

ExampleBlocks::ExampleBlocks(TextReader& stream, const Domain& domain, Dialect dialect, uint32_t derived_room,
                             const ReadingOptions& options)
    : stream_(stream), format_(std::make_unique<ExampleFormat>(domain, dialect, options)), derived_room_(derived_room) {
    if (format_->messages.prints()) std::printf("Reading examples");
}

ExampleBlocks::~ExampleBlocks() = default;

InstanceArray ExampleBlocks::new_block() const {
    InstanceArray block;
    block.set_value_stride(static_cast<uint32_t>(format_->stored) + 1);
    make_room(*format_, block, 1);
    block.push_back(Instance{});  // entry 0 unused
    return block;
}

InstanceArray ExampleBlocks::stream_block() const {
    InstanceArray block;
    const auto used = static_cast<uint32_t>(format_->stored) + 1;
    block.set_value_layout(used, used + derived_room_);
    make_room(*format_, block, 1);
    block.push_back(Instance{});  // entry 0 unused
    return block;
}

void BlockSource::reuse(InstanceArray& block) {
    block.clear();
    block.push_back(Instance{});
}

// A block ends after BLOCK_EXAMPLES examples, or at the end of the file. The next one is
// begun, with its dot, whenever the file has not been seen to end, even when no example
// is left in it.
bool ExampleBlocks::read_block(InstanceArray& into) {
    if (done_) return false;
    const bool progress = format_->messages.prints();
    if (progress) {
        std::printf(".");
        std::fflush(stdout);
    }
    const long last = examples_ + static_cast<long>(BLOCK_EXAMPLES);
    while (examples_ < last) {
        const long number = examples_ + 1;
        const std::optional<int> class_value = ReadCiInstance(stream_, *format_, number, into, reader_);
        if (class_value) {
            make_room(*format_, into, into.size() + 1);
            into.add_from_slice(*class_value, format_->stored, reader_.first_field_line);
            ++examples_;
        }
        if (stream_.at_end()) break;
    }
    if (stream_.at_end()) {
        done_ = true;
        if (progress) std::printf("\n");
    }
    return true;
}

FieldDecoder::FieldDecoder(const Domain& domain, Dialect dialect)
    : format_(std::make_unique<ExampleFormat>(domain, dialect)) {}

FieldDecoder::~FieldDecoder() = default;

std::optional<AttVal> FieldDecoder::value(int position, std::string_view field) const {
    return field_value(*format_, position, field);
}

int FieldDecoder::class_number(std::string_view field) const {
    return format_->lookup(format_->domain.nr_attributes + 1).number(field);
}

long count_unlabelled(const CiDataset& dataset) {
    long count = 0;
    for (int i = 1; i <= dataset.nr_instances; ++i)
        if (dataset.instances[static_cast<size_t>(i)].class_value == 0) ++count;
    return count;
}

Domain examples_domain(const Domain& domain) { return count_ignored(domain) != 0 ? RemoveIgnore(domain) : domain; }

CiDataset ReadCiDataset(TextReader& stream, const Domain& domain, Dialect dialect) {
    CiDataset dataset;
    ExampleBlocks blocks(stream, domain, dialect);
    dataset.instances = blocks.new_block();
    while (blocks.read_block(dataset.instances)) {
    }
    dataset.rejected_lines = blocks.rejected();
    dataset.nr_instances = static_cast<int>(dataset.instances.size()) - 1;
    dataset.domain = examples_domain(domain);
    return dataset;
}

CiDataset ReadCiDataset(std::FILE* stream, const Domain& domain, Dialect dialect) {
    TextReader reader(stream);
    return ReadCiDataset(reader, domain, dialect);
}
