#include "utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/times.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

bool stream_at_end(std::FILE* stream) { return std::feof(stream) != 0 || std::ferror(stream) != 0; }

namespace {

// Next character of the stream; a read error reads as the end of the file.
int next_char(std::FILE* stream) {
    if (std::ferror(stream)) return EOF;
    return std::fgetc(stream);
}

bool ends_line(int c, Dialect dialect) {
    return c == EOF || c == '\n' || (dialect == Dialect::Main && c == '\r');
}

bool in_set(int c, std::string_view set) { return contained(c, set) != 0; }

// Skips what comes before a field: spaces, commas and tabs (the separators themselves in
// the older dialect). Returns the first character not skipped.
int skip_leading(std::FILE* stream, int c, std::string_view separators, Dialect dialect) {
    if (dialect == Dialect::Main) {
        while (c == ' ' || c == ',' || c == '\t') c = next_char(stream);
    } else {
        while (c != EOF && in_set(c, separators)) c = next_char(stream);
    }
    return c;
}

void skip_comment(std::FILE* stream) {
    int c = next_char(stream);
    while (c != EOF && c != '\n') c = next_char(stream);
}

// Trailing spaces (main dialect only), then one final full stop.
void strip_field_end(std::string& field, Dialect dialect) {
    if (dialect == Dialect::Main) {
        while (!field.empty() && field.back() == ' ') field.pop_back();
    }
    if (!field.empty() && field.back() == '.') field.pop_back();
}

}  // namespace

std::optional<std::string> ReadField(std::FILE* stream, std::string_view separators, Dialect dialect) {
    const int start = separators.empty() ? EOF : static_cast<unsigned char>(separators[0]);
    int previous = start;
    int current = skip_leading(stream, start, separators, dialect);
    if (ends_line(current, dialect)) return std::nullopt;
    if (current == '|') {
        skip_comment(stream);
        return std::nullopt;
    }
    std::string field;
    for (;;) {
        const bool line_or_file_end = ends_line(current, dialect);
        if (!line_or_file_end && !in_set(current, separators)) {
            field.push_back(static_cast<char>(current));
        } else if (current == EOF || !in_set(previous, separators)) {
            break;  // the end of the file always ends a field; otherwise a separator run ends one
        }
        previous = current;
        current = next_char(stream);
        if (dialect == Dialect::Main && current == '\r') current = next_char(stream);
    }
    // Field texts are C strings to the rest of the system: a NUL byte ends the text.
    field.resize(std::min(field.size(), field.find('\0')));
    strip_field_end(field, dialect);
    if (field.empty()) return std::nullopt;
    if (ends_line(current, dialect) && current != EOF) std::ungetc(current, stream);
    return field;
}

std::vector<std::string> ReadLine(std::FILE* stream, std::string_view separators, Dialect dialect) {
    std::vector<std::string> tokens;
    while (!stream_at_end(stream)) {
        std::optional<std::string> field = ReadField(stream, separators, dialect);
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

int32_t c_atoi(const char* text) {
    const long value = std::strtol(text, nullptr, 10);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long>(value)));
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
