#include "utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/times.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <utility>

int16_t VERBOSITY = 0;
std::optional<std::string> PREDICT_PATH;
std::optional<std::string> REPORT_PATH;

// ---- Option scanner ---------------------------------------------------------------

int mygetopt(OptionScanner& scanner, int argc, const char* const* argv, std::string_view optstring,
             std::string& optarg) {
    if (scanner.position >= argc) return -1;
    const std::string_view word = argv[scanner.position++];
    if (word.empty() || word[0] != '-') return '?';
    if (word.size() < 2) return '?';
    const char letter = word[1];
    const size_t at = optstring.find(letter);
    if (at == std::string_view::npos) return '?';
    if (at + 1 >= optstring.size() || optstring[at + 1] != ':') return letter;
    if (word.size() > 2) {
        optarg = std::string(word.substr(2));
    } else if (scanner.position < argc) {
        optarg = argv[scanner.position++];
    } else {
        return '?';
    }
    return letter;
}

// ---- Text streams -------------------------------------------------------------------

FieldRules::FieldRules(std::string_view separators, Dialect dialect)
    : dialect_(dialect), start_(separators.empty() ? EOF : static_cast<unsigned char>(separators[0])) {
    for (const char c : separators)
        if (c != '\0') table_[static_cast<unsigned char>(c)] |= SEPARATOR;
    table_[static_cast<unsigned char>('\n')] |= LINE_END;
    if (dialect == Dialect::Main) {
        table_[static_cast<unsigned char>('\r')] |= LINE_END;
        for (const char c : {' ', ',', '\t'}) table_[static_cast<unsigned char>(c)] |= SKIPPED;
    } else {
        for (const char c : separators)
            if (c != '\0') table_[static_cast<unsigned char>(c)] |= SKIPPED;
    }
    for (unsigned char& entry : table_)
        if ((entry & (SEPARATOR | LINE_END)) != 0) entry |= STOPS_SCAN;
    table_[0] |= STOPS_SCAN;
}

TextReader::TextReader(std::FILE* stream, size_t block_size)
    : stream_(stream), block_size_(std::max<size_t>(block_size, 1)) {}

// Moves what must be kept (the field being scanned, if any) to the front of the buffer
// and reads the next block behind it. False at the end of the file or on a read error,
// which from then on read as the end of the file.
bool TextReader::refill() {
    if (at_end_) return false;
    const size_t keep = std::min(field_start_, position_);
    if (keep > 0) {
        std::memmove(buffer_.data(), buffer_.data() + keep, end_ - keep);
        end_ -= keep;
        position_ -= keep;
        if (field_start_ != NO_FIELD) field_start_ -= keep;
    }
    // Reads start small and double up to the block size, so that a small file costs a
    // small buffer.
    const size_t read_size = std::min(block_size_, next_read_);
    next_read_ = std::min(block_size_, size_t{2} * next_read_);
    if (buffer_.size() - end_ < read_size) buffer_.resize(end_ + read_size);
    const size_t got =
        std::ferror(stream_) != 0 ? 0 : std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, stream_);
    if (got == 0) {
        at_end_ = true;
        return false;
    }
    end_ += got;
    return true;
}

int TextReader::take() {
    if (position_ == end_ && !refill()) return EOF;
    return static_cast<unsigned char>(buffer_[position_++]);
}

// Everything up to and including the next line end, or to the end of the file.
void TextReader::skip_line() {
    for (;;) {
        const char* from = buffer_.data() + position_;
        const void* line_end = std::memchr(from, '\n', end_ - position_);
        if (line_end != nullptr) {
            position_ += static_cast<size_t>(static_cast<const char*>(line_end) - from) + 1;
            return;
        }
        position_ = end_;
        if (!refill()) return;
    }
}

// The characters of a field whose first character has just been taken, up to the
// character that ends it, which is taken too and reported in `ended_by` (EOF at the end
// of the file). In the main dialect a carriage return inside a field is dropped and the
// character after it is taken as it is, even another carriage return. Field texts are C
// strings to the rest of the system: a NUL byte ends the text, though not the field.
std::string_view TextReader::scan_field(const FieldRules& rules, int& ended_by) {
    field_start_ = position_ - 1;
    size_t nul = NO_FIELD;  // offset of the first NUL byte from the field's start
    const auto note_nul = [&](size_t at) {
        if (buffer_[at] == '\0' && nul == NO_FIELD) nul = at - field_start_;
    };
    note_nul(field_start_);
    size_t scan = position_;
    size_t text_end = 0;
    for (;;) {
        while (scan < end_ && !rules.stops_scan(buffer_[scan])) ++scan;
        if (scan == end_) {
            position_ = scan;
            if (!refill()) {
                text_end = end_;
                ended_by = EOF;
                break;
            }
            scan = position_;
            continue;
        }
        if (buffer_[scan] == '\0') {
            note_nul(scan++);
            continue;
        }
        position_ = scan + 1;
        if (rules.dialect() == Dialect::Main && buffer_[scan] == '\r') {
            const int next = take();
            if (!rules.ends_line(next) && !rules.is_separator(next)) {
                // The field goes on: close the gap the carriage return leaves. Its
                // position is just before the character taken, also after a refill.
                const size_t gap = position_ - 2;
                std::memmove(buffer_.data() + field_start_ + 1, buffer_.data() + field_start_, gap - field_start_);
                ++field_start_;
                note_nul(position_ - 1);
                scan = position_;
                continue;
            }
            text_end = position_ - (next == EOF ? 1 : 2);
            ended_by = next;
            break;
        }
        text_end = scan;
        ended_by = static_cast<unsigned char>(buffer_[scan]);
        break;
    }
    const std::string_view text(buffer_.data() + field_start_, std::min(text_end - field_start_, nul));
    field_start_ = NO_FIELD;
    return text;
}

namespace {

// Trailing spaces go (main dialect only), then one final full stop.
std::string_view field_text(std::string_view text, Dialect dialect) {
    if (dialect == Dialect::Main) {
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    }
    if (!text.empty() && text.back() == '.') text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::string_view> TextReader::read_field(const FieldRules& rules) {
    // The usual case, decided in the buffer: the characters skipped before a field, then
    // an ordinary one that starts it.
    if (rules.skipped_before_field(rules.start())) {
        while (position_ < end_ && rules.skipped_before_field(buffer_[position_])) ++position_;
        if (position_ < end_ && !rules.stops_scan(buffer_[position_]) && buffer_[position_] != '|') {
            ++position_;
            return rest_of_field(rules);
        }
    }
    int previous = rules.start();
    int current = previous;
    bool taken = false;  // the start character does not come from the stream
    while (rules.skipped_before_field(current)) {
        current = take();
        taken = true;
    }
    if (rules.ends_line(current)) return std::nullopt;
    if (current == '|') {
        skip_line();
        return std::nullopt;
    }
    // Separators and line ends that follow a separator are passed over; one that follows
    // anything else ends the field, which is then empty. The end of the file always ends it.
    while (rules.ends_line(current) || rules.is_separator(current)) {
        if (current == EOF || !rules.is_separator(previous)) return std::nullopt;
        previous = current;
        current = take();
        if (rules.dialect() == Dialect::Main && current == '\r') current = take();
        taken = true;
    }
    if (!taken) {
        // Only a set whose first character is NUL gets here: the field's text starts with
        // that NUL and is empty whatever follows it.
        do {
            current = take();
            if (rules.dialect() == Dialect::Main && current == '\r') current = take();
        } while (!rules.ends_line(current) && !rules.is_separator(current));
        return std::nullopt;
    }
    return rest_of_field(rules);
}

// The field whose first character has just been taken, without trailing spaces (main
// dialect) and a final full stop; nothing when that leaves no text.
std::optional<std::string_view> TextReader::rest_of_field(const FieldRules& rules) {
    int ended_by = EOF;
    const std::string_view text = field_text(scan_field(rules, ended_by), rules.dialect());
    if (text.empty()) return std::nullopt;
    // A line end that ended the field is left for the next read to meet.
    if (ended_by != EOF && rules.ends_line(ended_by)) put_back();
    return text;
}

bool stream_at_end(const TextReader& stream) { return stream.at_end(); }

std::optional<std::string> ReadField(TextReader& stream, std::string_view separators, Dialect dialect) {
    const std::optional<std::string_view> field = stream.read_field(FieldRules(separators, dialect));
    if (!field) return std::nullopt;
    return std::string(*field);
}

std::vector<std::string> ReadLine(TextReader& stream, std::string_view separators, Dialect dialect) {
    const FieldRules rules(separators, dialect);
    std::vector<std::string> tokens;
    while (!stream.at_end()) {
        const std::optional<std::string_view> field = stream.read_field(rules);
        if (!field) break;
        tokens.push_back(Trim(*field));
    }
    return tokens;
}

std::string Trim(std::string_view text) {
    constexpr std::string_view white = " \t\n\r\v\f";
    const size_t first = text.find_first_not_of(white);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(white);
    return std::string(text.substr(first, last - first + 1));
}

int contained(int c, std::string_view set) {
    if (c == '\0' || c == EOF) return 0;
    return set.find(static_cast<char>(c)) != std::string_view::npos ? 1 : 0;
}

namespace {

bool is_integer_text(std::string_view token) {
    if (!token.empty() && (token[0] == '+' || token[0] == '-')) token.remove_prefix(1);
    if (token.empty()) return false;
    return std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool all_integers(const std::vector<std::string>& tokens) {
    return std::all_of(tokens.begin(), tokens.end(), [](const std::string& t) { return is_integer_text(t); });
}

int compare_integer_texts(std::string_view a, std::string_view b) {
    auto split = [](std::string_view t) {
        bool negative = false;
        if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
            negative = t[0] == '-';
            t.remove_prefix(1);
        }
        while (t.size() > 1 && t[0] == '0') t.remove_prefix(1);
        if (t == "0") negative = false;
        return std::pair{negative, t};
    };
    const auto [a_negative, a_digits] = split(a);
    const auto [b_negative, b_digits] = split(b);
    if (a_negative != b_negative) return a_negative ? -1 : 1;
    int magnitude = 0;
    if (a_digits.size() != b_digits.size()) {
        magnitude = a_digits.size() < b_digits.size() ? -1 : 1;
    } else {
        const int c = a_digits.compare(b_digits);
        magnitude = c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return a_negative ? -magnitude : magnitude;
}

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The text as a C string for the C library's converters; long texts are rare, and only
// they cost an allocation.
template <class Convert>
auto with_c_string(std::string_view text, Convert convert) {
    char small[64];
    if (text.size() < sizeof small) {
        std::memcpy(small, text.data(), text.size());
        small[text.size()] = '\0';
        return convert(static_cast<const char*>(small));
    }
    const std::string copy(text);
    return convert(copy.c_str());
}

// A number the way fields usually write one: an optional minus sign, then a digit or a
// full stop followed by a digit, and not a hexadecimal "0x". std::from_chars reads these
// exactly as strtod does; anything else (white space, a plus sign, hexadecimal, inf and
// nan spellings, no number at all) goes to the C library.
bool plain_decimal_start(std::string_view text) {
    size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    if (text[i] == '.') return i + 1 < text.size() && is_digit(text[i + 1]);
    if (!is_digit(text[i])) return false;
    return !(text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X'));
}

}  // namespace

int32_t c_atoi(std::string_view text) {
    long value = 0;
    bool converted = false;
    if (plain_decimal_start(text)) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
        converted = error == std::errc() && end != text.data();
    }
    if (!converted) value = with_c_string(text, [](const char* c_text) { return std::strtol(c_text, nullptr, 10); });
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long>(value)));
}

double c_strtod(std::string_view text) {
    if (plain_decimal_start(text)) {
        double value = 0.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end != text.data()) return value;
    }
    return with_c_string(text, [](const char* c_text) { return std::strtod(c_text, nullptr); });
}

std::string SetPathName(const std::optional<std::string>& path, std::string_view a, std::string_view b) {
    if (path) return *path;
    std::string joined(a);
    joined.append(b);
    return joined;
}

// ---- Matrix display ---------------------------------------------------------------------

void ShowIMatrix(const IMatrix& m, int rlo, int rhi, int clo, int chi) {
    for (int c = clo; c <= chi; ++c) std::printf("\t[%d]", c);
    for (int r = rlo; r <= rhi; ++r) {
        std::printf("\n[%d]", r);
        for (int c = clo; c <= chi; ++c) std::printf("\t%d", m.contains(r, c) ? m.at(r, c) : 0);
    }
    std::printf("\n");
}

// ---- Binary model files -----------------------------------------------------------------

namespace {

// Bytes read from a regular file at a time.
constexpr size_t READ_BLOCK = size_t{1} << 20;
// Most that is taken from a pipe or device, which is read whole.
constexpr size_t STREAM_LIMIT = size_t{1} << 30;

// One read call that is retried when a signal interrupts it; what it read, 0 at the end
// of the file or on an error.
size_t read_some(int fd, unsigned char* out, size_t n) {
    for (;;) {
        const ssize_t got = ::read(fd, out, n);
        if (got < 0 && errno == EINTR) continue;
        return got > 0 ? static_cast<size_t>(got) : 0;
    }
}

}  // namespace

std::optional<BinaryReader> BinaryReader::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const auto size = static_cast<uint64_t>(info.st_size);
        // A small file takes a block of its own size (and a little room should it grow).
        const auto block = static_cast<size_t>(std::clamp<uint64_t>(size, 4096, READ_BLOCK));
        return BinaryReader(fd, size, block);
    }
    // A pipe or device has no size to check counts against: take what it gives, up to a
    // bound, and read from that copy.
    BinaryReader reader(fd, 0, 0);
    reader.refillable_ = false;
    constexpr size_t chunk = 65536;
    while (reader.block_.size() < STREAM_LIMIT) {
        const size_t old = reader.block_.size();
        reader.block_.resize(old + std::min(chunk, STREAM_LIMIT - old));
        const size_t got = read_some(fd, reader.block_.data() + old, reader.block_.size() - old);
        reader.block_.resize(old + got);
        if (got == 0) break;
    }
    reader.block_end_ = reader.block_.size();
    reader.size_ = reader.block_.size();
    return reader;
}

BinaryReader BinaryReader::from_bytes(const unsigned char* bytes, size_t size) {
    BinaryReader reader(-1, size, 0);
    reader.refillable_ = false;
    reader.block_.assign(bytes, bytes + size);
    reader.block_end_ = size;
    return reader;
}

BinaryReader::BinaryReader(int fd, uint64_t size, size_t block_size) : fd_(fd), size_(size), block_(block_size) {}

BinaryReader::BinaryReader(BinaryReader&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      size_(other.size_),
      position_(other.position_),
      at_end_(other.at_end_),
      refillable_(other.refillable_),
      block_(std::move(other.block_)),
      block_start_(other.block_start_),
      block_end_(other.block_end_) {}

BinaryReader::~BinaryReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool BinaryReader::refill() {
    if (!refillable_ || block_.empty()) return false;
    const size_t unread = block_end_ - block_start_;
    if (unread > 0 && block_start_ > 0) std::memmove(block_.data(), block_.data() + block_start_, unread);
    block_start_ = 0;
    block_end_ = unread;
    const size_t got = read_some(fd_, block_.data() + block_end_, block_.size() - block_end_);
    block_end_ += got;
    return got > 0;
}

const unsigned char* BinaryReader::take_after_refill(size_t n) {
    if (at_end_) return nullptr;
    while (block_end_ - block_start_ < n) {
        if (n > block_.size() || !refill()) {
            // Short: what was left is consumed.
            position_ += block_end_ - block_start_;
            block_start_ = block_end_;
            at_end_ = true;
            return nullptr;
        }
    }
    const unsigned char* bytes = block_.data() + block_start_;
    block_start_ += n;
    position_ += n;
    return bytes;
}

bool BinaryReader::read_exact(void* dst, size_t n) {
    auto* out = static_cast<unsigned char*>(dst);
    while (n > 0) {
        if (at_end_) return false;
        if (block_start_ == block_end_ && !refill()) {
            at_end_ = true;
            return false;
        }
        const size_t part = std::min(n, block_end_ - block_start_);
        std::memcpy(out, block_.data() + block_start_, part);
        block_start_ += part;
        position_ += part;
        out += part;
        n -= part;
    }
    return true;
}

namespace {

uint64_t from_big_endian(const unsigned char* bytes, int width) {
    uint64_t value = 0;
    for (int i = 0; i < width; ++i) value = (value << 8) | bytes[i];
    return value;
}

double double_from_bits(uint64_t bits) {
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

std::optional<double> BinaryReader::read_f64() {
    const unsigned char* bytes = take(8);
    if (bytes == nullptr) return std::nullopt;
    return double_from_bits(from_big_endian(bytes, 8));
}

bool BinaryReader::read_f64s(double* out, size_t n) {
    // A few kilobytes at a time: no block is smaller, so each part is decoded in place.
    constexpr size_t chunk = 512;
    for (size_t done = 0; done < n;) {
        const size_t count = std::min(chunk, n - done);
        const unsigned char* bytes = take(count * 8);
        if (bytes == nullptr) return false;
        for (size_t i = 0; i < count; ++i) out[done + i] = double_from_bits(from_big_endian(bytes + 8 * i, 8));
        done += count;
    }
    return true;
}

std::optional<std::vector<unsigned char>> BinaryReader::read_bytes(size_t n) {
    std::vector<unsigned char> bytes;
    constexpr size_t chunk = 65536;
    while (bytes.size() < n) {
        const size_t old = bytes.size();
        bytes.resize(old + std::min(chunk, n - old));
        if (!read_exact(bytes.data() + old, bytes.size() - old)) return std::nullopt;
    }
    return bytes;
}

uint64_t BinaryReader::bytes_left() const {
    if (at_end_) return 0;
    return size_ > position_ ? size_ - position_ : 0;
}

bool BinaryReader::fits(int64_t count, uint64_t item_size) {
    bool ok = count >= 0;
    if (ok && item_size != 0) ok = static_cast<uint64_t>(count) <= bytes_left() / item_size;
    if (!ok) skip_to_end();
    return ok;
}

void BinaryReader::skip_to_end() { at_end_ = true; }

// ---- Driver support -----------------------------------------------------------------------

std::optional<std::string> scan_options(int argc, const char* const* argv, std::string_view optstring,
                                        const std::function<void(int letter, const std::string& value)>& other) {
    OptionScanner scanner;
    std::optional<std::string> dataset;
    std::string value;
    for (int option; (option = mygetopt(scanner, argc, argv, optstring, value)) != -1;) {
        if (option == 'f') {
            dataset = value;
        } else if (option == 'v') {
            VERBOSITY = static_cast<int16_t>(c_atoi(value.c_str()));
        } else if (option == 'p') {
            PREDICT_PATH = value;
        } else if (option == 'r') {
            REPORT_PATH = value;
        } else if (option != '?' && option != ':' && other) {
            other(option, value);
        } else {
            std::fprintf(stderr, "Invalid Option\n");
        }
    }
    return dataset;
}

void print_usage(int argc, const char* const* argv, const char* version) {
    const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "";
    std::fprintf(stderr, "\nUse:%s -f dataset [-v Verbose][-p prediction path](Version %s)\n", program, version);
}

void print_banner(const char* title, const char* version) {
    const std::time_t now = std::time(nullptr);
    const char* date = std::ctime(&now);
    std::printf("\n%s Version %s  %s\n", title, version, date != nullptr ? date : "\n");
}

double error_rate(long errors, long examples) {
    if (examples == 0) return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(errors) / static_cast<double>(examples);
}

clock_t user_cpu_ticks() {
    tms sample{};
    times(&sample);
    return sample.tms_utime;
}

double cpu_seconds(clock_t start, clock_t end) { return static_cast<double>(end - start) / 100.0; }

void report_unwritten_file(const std::string& path) {
    std::fflush(stdout);  // the message comes after everything the run printed
    std::fprintf(stderr, "Can not write file %s\n", path.c_str());
}

int finish_standard_output(int status) {
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return status;
    std::fprintf(stderr, "Can not write the standard output\n");
    return 1;
}
