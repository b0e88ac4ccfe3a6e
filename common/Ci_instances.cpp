#include "Ci_instances.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <unordered_map>
#include <utility>

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

// One declaration "name: values"; nothing when no complete declaration could be read.
std::optional<Attribute> Processa_atributo(TextReader& stream, Dialect dialect, BarNames bar_names) {
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
    classify_declaration(fields, attribute, dialect);
    if (attribute.type == IGNORE) ++NR_IGNORES;
    return attribute;
}

// Every declaration to the end of the stream, as entries 1..n.
Domain GenerateDomainInfo(TextReader& stream, Dialect dialect, BarNames bar_names) {
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
std::vector<std::string> read_class_line(TextReader& stream, Dialect dialect) {
    std::vector<std::string> classes;
    while (classes.empty() && !stream_at_end(stream)) classes = ReadLine(stream, ", ;\t", dialect);
    return classes;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Domain files are small.
constexpr size_t DOMAIN_BLOCK_SIZE = 64 * 1024;

}  // namespace

std::optional<Domain> ReadNames(const std::string& base, const std::string& suffix, Dialect dialect) {
    NR_IGNORES = 0;
    const std::string path = base + suffix;
    File file(std::fopen(path.c_str(), "r"));
    if (!file) return std::nullopt;
    TextReader stream(file.get(), DOMAIN_BLOCK_SIZE);
    const std::vector<std::string> classes = read_class_line(stream, dialect);
    if (classes.empty()) {
        std::fprintf(stderr, "Read Names: %s Invalid domain file\n", path.c_str());
        return std::nullopt;
    }
    // The older dialect keeps its own rule: its field reader takes a "|" that starts a
    // line as a comment, and one after blanks as part of a name.
    const BarNames bar_names = dialect == Dialect::Main ? BarNames::Comment : BarNames::Declare;
    Domain domain = GenerateDomainInfo(stream, dialect, bar_names);
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
        TextReader stream(file.get(), DOMAIN_BLOCK_SIZE);
        domain = GenerateDomainInfo(stream, dialect, BarNames::Declare);
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

namespace {

const char* type_word(int type) {
    switch (type) {
        case NOMINAL:
            return "nominal\n";
        case ORDERED:
            return "ordered\n";
        case INTEGER:
            return "integer\n";
        case CONTINUOUS:
            return "continuous\n";
        case DATE:
            return "date\n";
        default:
            return "";
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

// ---- Value storage ---------------------------------------------------------------------------

AttValues::AttValues(std::initializer_list<AttVal> values) {
    grow(values.size());
    std::copy(values.begin(), values.end(), data_);
    size_ = static_cast<uint32_t>(values.size());
}

AttValues::AttValues(const AttValues& other) {
    grow(other.size_);
    std::copy(other.begin(), other.end(), data_);
    size_ = other.size_;
}

AttValues& AttValues::operator=(const AttValues& other) {
    if (this != &other) *this = AttValues(other);
    return *this;
}

AttValues::AttValues(AttValues&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      owned_(std::move(other.owned_)) {}

AttValues& AttValues::operator=(AttValues&& other) noexcept {
    if (this == &other) return *this;
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    owned_ = std::move(other.owned_);
    return *this;
}

// Moves the values into an array of their own of `capacity` entries. Throws bad_alloc.
void AttValues::grow(size_t capacity) {
    if (capacity > UINT32_MAX) throw std::bad_alloc();
    auto fresh = std::make_unique<AttVal[]>(capacity);
    std::copy(begin(), end(), fresh.get());
    owned_ = std::move(fresh);
    data_ = owned_.get();
    capacity_ = static_cast<uint32_t>(capacity);
}

bool AttValues::resize(size_t size) {
    if (size > capacity_) {
        try {
            grow(std::max<size_t>(size, std::min<size_t>(size_t{2} * capacity_, UINT32_MAX)));
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    std::fill(data_ + std::min<size_t>(size_, size), data_ + size, AttVal{});
    size_ = static_cast<uint32_t>(size);
    return true;
}

void AttValues::push_back(const AttVal& value) {
    if (size_ == capacity_) grow(std::max<size_t>(1, size_t{2} * capacity_));
    data_[size_++] = value;
}

InstanceArray::InstanceArray(std::initializer_list<Instance> instances) {
    reserve(instances.size());
    for (const Instance& instance : instances) push_back(instance);
}

void InstanceArray::reserve(size_t count) {
    if (count <= capacity_) return;
    if (capacity_ < CHUNK) {
        // The first chunk starts small, so that a small data set costs little, and doubles
        // until it is whole; only then are further chunks added.
        const size_t first = std::min(CHUNK, std::max({count, size_t{2} * capacity_, FIRST_ROOM}));
        auto grown = std::make_unique<Instance[]>(first);
        if (!chunks_.empty()) std::move(chunks_[0].get(), chunks_[0].get() + size_, grown.get());
        chunks_.clear();
        chunks_.push_back(std::move(grown));
        capacity_ = first;
    }
    while (capacity_ < count) {
        chunks_.push_back(std::make_unique<Instance[]>(CHUNK));
        capacity_ += CHUNK;
    }
}

void InstanceArray::push_back(Instance instance) {
    reserve(size_ + 1);
    (*this)[size_] = std::move(instance);
    ++size_;
}

AttVal* InstanceArray::next_slice() {
    if (blocks_.empty() || blocks_.back().count == blocks_.back().room || blocks_.back().stride != stride_) {
        ValueBlock block;
        block.stride = stride_;
        // Blocks start small and double, as the first chunk of examples does.
        const size_t wanted = blocks_.empty() ? FIRST_ROOM : size_t{2} * blocks_.back().room;
        block.room = std::clamp<size_t>(BLOCK_BYTES / (sizeof(AttVal) * stride_), 1, std::min(wanted, CHUNK));
        block.cells = ZeroBlock<AttVal>(block.room * stride_);
        block.first_instance = size_;
        blocks_.push_back(std::move(block));
    }
    ValueBlock& block = blocks_.back();
    return &block.cells[block.count * block.stride];
}

void InstanceArray::add_from_slice(int class_value, int nr_attributes) {
    ValueBlock& block = blocks_.back();
    AttVal* slice = &block.cells[block.count * block.stride];
    push_back(Instance{class_value, nr_attributes, 1.0, AttValues(slice, block.stride, block.stride)});
    ++block.count;
}

bool InstanceArray::reserve_room(uint32_t extra) {
    if (extra == 0) return true;
    for (ValueBlock& block : blocks_) {
        if (uint64_t{block.stride} + extra > UINT32_MAX) return false;
        const uint32_t stride = block.stride + extra;
        if (block.count > SIZE_MAX / sizeof(AttVal) / stride) return false;
        ZeroBlock<AttVal> cells;
        try {
            cells = ZeroBlock<AttVal>(block.count * stride);
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (size_t k = 0; k < block.count; ++k) {
            AttValues& values = (*this)[block.first_instance + k].values;
            const bool in_slice = !values.owns_storage() && values.begin() == &block.cells[k * block.stride];
            if (!in_slice && !(values.owns_storage() && values.size() <= stride)) continue;
            AttVal* slice = &cells[k * stride];
            std::copy(values.begin(), values.end(), slice);
            values = AttValues(slice, static_cast<uint32_t>(values.size()), stride);
        }
        block.cells = std::move(cells);
        block.stride = stride;
        block.room = block.count;
    }
    return true;
}

// ---- Reading examples ------------------------------------------------------------------------

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

// What reading the examples of one domain needs, worked out once.
struct ExampleFormat {
    ExampleFormat(const Domain& domain, Dialect dialect)
        : domain(domain),
          dialect(dialect),
          rules(example_separators(dialect), dialect),
          stored(domain.nr_attributes - count_ignored(domain)) {
        labels.reserve(static_cast<size_t>(domain.nr_attributes) + 1);
        types.reserve(static_cast<size_t>(domain.nr_attributes) + 1);
        for (int a = 1; a <= domain.nr_attributes + 1; ++a) {
            labels.emplace_back(domain.attributes[static_cast<size_t>(a)]);
            types.push_back(domain.attributes[static_cast<size_t>(a)].type);
        }
    }
    const LabelLookup& lookup(int position) const { return labels[static_cast<size_t>(position) - 1]; }
    int type(int position) const { return types[static_cast<size_t>(position) - 1]; }

    const Domain& domain;
    Dialect dialect;
    FieldRules rules;
    int stored;                       // values kept per example
    std::vector<LabelLookup> labels;  // positions 1..nr_attributes + 1
    std::vector<int> types;           // likewise
};

void report(const std::string& message) { std::fwrite(message.data(), 1, message.size(), stderr); }

std::string message_head(long number, long line) {
    char head[96];
    std::snprintf(head, sizeof head, "ReadAttVal: Instance %ld (Line %ld) ", number, line);
    return head;
}

void report_invalid_value(long number, long line, int position, std::string_view field, bool integer, Dialect dialect) {
    const char* open = dialect == Dialect::Solmet ? " " : integer ? "'" : " '";
    const char* close = dialect == Dialect::Solmet ? "\n" : "'\n";
    report(message_head(number, line) + "Invalid attribute ( " + std::to_string(position) + " )value:" + open +
           std::string(field) + close);
}

// The value of attribute `position` from its field text.
AttVal decode_value(const ExampleFormat& format, int position, std::string_view field, long number, long line) {
    if (field[0] == '?') return unknown(STATUS_UNKNOWN);
    if (field[0] == '*') return unknown(STATUS_DONTCARE);
    switch (format.type(position)) {
        case NOMINAL:
        case ORDERED: {
            const int label = format.lookup(position).number(field);
            if (label != 0) return AttVal{STATUS_KNOWN, static_cast<double>(label)};
            report_invalid_value(number, line, position, field, false, format.dialect);
            return unknown(STATUS_UNKNOWN);
        }
        case INTEGER:
            if (format.lookup(position).number(field) == 0)
                report_invalid_value(number, line, position, field, true, format.dialect);
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

// The next example's slice of the value storage; running out of memory ends the run.
AttVal* slice_for(InstanceArray& instances, long number) {
    try {
        return instances.next_slice();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "ReadAttVal: Out of Memory Example %ld\n", number);
        throw OutOfMemory{};
    }
}

// Decodes the attribute fields of one line into the next slice of `instances`; false for
// an empty line or a wrong field count.
bool ReadAttVal(TextReader& stream, const ExampleFormat& format, long number, long line, InstanceArray& instances,
                long& rejected) {
    const int n = format.domain.nr_attributes;
    // An empty or comment line yields nothing: find out before taking a slice.
    std::optional<std::string_view> field;
    if (n >= 1) {
        field = stream.read_field(format.rules);
        if (!field) return false;
    }
    AttVal* values = slice_for(instances, number);
    values[0] = AttVal{STATUS_KNOWN, static_cast<double>(number)};
    size_t stored = 1;
    for (int position = 1; position <= n; ++position) {
        if (position > 1) field = stream.read_field(format.rules);
        if (!field) {
            ++rejected;
            if (format.dialect == Dialect::Main)
                std::fprintf(stderr, "ReadAttVal: Instance %ld (Line %ld) Invalid number of attributes: %d\n", number,
                             line, position);
            else
                std::fprintf(stderr, "ReadAttVal: Instance %ld (Line %ld) Invalid number of attributes\n", number,
                             line);
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

    if (!ReadAttVal(stream, format, number, reader.line, instances, reader.rejected)) return std::nullopt;
    const std::optional<std::string_view> class_field = stream.read_field(format.rules);
    // Without attributes, a line that has no class field is simply an empty line.
    if (!class_field && format.domain.nr_attributes == 0) return std::nullopt;
    if (main_dialect) ++reader.line;
    const int class_value = class_field ? format.lookup(format.domain.nr_attributes + 1).number(*class_field) : 0;
    if (class_value == 0) {
        ++reader.rejected;
        report(message_head(number, reader.line) + "Invalid Classe value: " + std::string(class_field.value_or("")) +
               "\n");
        return std::nullopt;
    }
    return class_value;
}

constexpr size_t INSTANCE_BLOCK = 10000;

void make_room(InstanceArray& instances, size_t count) {
    try {
        instances.reserve(count);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "CiReadInstances: Not enough memory\n");
        throw OutOfMemory{};
    }
}

InstanceArray ReadCiInstances(TextReader& stream, const Domain& domain, Dialect dialect, long& rejected_lines) {
    std::printf("Reading examples");
    const ExampleFormat format(domain, dialect);
    InstanceArray instances;
    instances.set_value_stride(static_cast<uint32_t>(format.stored) + 1);
    make_room(instances, 1);
    instances.push_back(Instance{});  // entry 0 unused
    ExampleReader reader;
    size_t capacity = 0;
    if (!stream.at_end()) {
        do {
            capacity += INSTANCE_BLOCK;
            std::printf(".");
            std::fflush(stdout);
            while (instances.size() - 1 < capacity) {
                const long number = static_cast<long>(instances.size());
                const std::optional<int> class_value = ReadCiInstance(stream, format, number, instances, reader);
                if (class_value) {
                    make_room(instances, instances.size() + 1);
                    instances.add_from_slice(*class_value, format.stored);
                }
                if (stream.at_end()) break;
            }
        } while (!stream.at_end());
    }
    rejected_lines = reader.rejected;
    std::printf("\n");
    return instances;
}

}  // namespace

CiDataset ReadCiDataset(TextReader& stream, const Domain& domain, Dialect dialect) {
    CiDataset dataset;
    dataset.instances = ReadCiInstances(stream, domain, dialect, dataset.rejected_lines);
    dataset.nr_instances = static_cast<int>(dataset.instances.size()) - 1;
    dataset.domain = count_ignored(domain) != 0 ? RemoveIgnore(domain) : domain;
    return dataset;
}

CiDataset ReadCiDataset(std::FILE* stream, const Domain& domain, Dialect dialect) {
    TextReader reader(stream);
    return ReadCiDataset(reader, domain, dialect);
}

bool Ci_ReserveRoom(CiDataset& dataset, int extra) {
    if (extra <= 0) return true;
    return dataset.instances.reserve_room(static_cast<uint32_t>(extra));
}

int Ci_ReBuildInstance(Instance& instance, int size) {
    if (size < 1) return 0;
    if (!instance.values.resize(static_cast<size_t>(size))) return 0;
    instance.nr_attributes = size - 1;
    return 1;
}

void ShowCiInstance(const Domain& domain, const AttValues& values, int count) {
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
            case ORDERED:
                std::printf("%s\t", LblValId(domain, i, v.int_value()).c_str());
                break;
            case INTEGER:
                std::printf("%d\t", v.int_value());
                break;
            case DATE:
                std::printf("%ld\t", static_cast<long>(v.int_value()));
                break;
            default:
                std::printf("%6.3f\t", v.value);
                break;
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
