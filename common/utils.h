// Support library shared by both programs: option scanner, the lexical layer of the
// text formats, small string helpers, 1-based vectors and matrices, the integer matrix
// display and the big-endian reader used by every binary model file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// The two programs read the text formats with slightly different rules. The main
// dialect is the tree classifier's; the discriminant classifier keeps an older one
// (space also separates values, no "[ordered]"/"date" keywords, no carriage-return
// handling, other message wording).
enum class Dialect { Main, Solmet };

// ---- Option scanner ---------------------------------------------------------------

// Position of the scanner in argv; starts past the program name and only moves forward.
struct OptionScanner {
    int position = 1;
};

// Returns the next option character, '?' for a word it rejects, or -1 when the words
// are used up. The value of an option that takes one is stored in `optarg`.
int mygetopt(OptionScanner& scanner, int argc, const char* const* argv, std::string_view optstring,
             std::string& optarg);

// ---- Text streams -------------------------------------------------------------------

// How one separator set reads in one dialect: which characters separate fields, end a
// line, are skipped before a field, and stop the scan of a field's characters. Built once
// per separator set, so that the readers look each character up in a table.
class FieldRules {
public:
    FieldRules(std::string_view separators, Dialect dialect);

    Dialect dialect() const { return dialect_; }
    // The character a read starts from: the first separator (it does not come from the stream).
    int start() const { return start_; }
    bool is_separator(int c) const { return c != EOF && (table_[static_cast<unsigned char>(c)] & SEPARATOR) != 0; }
    bool ends_line(int c) const { return c == EOF || (table_[static_cast<unsigned char>(c)] & LINE_END) != 0; }
    bool skipped_before_field(int c) const {
        return c != EOF && (table_[static_cast<unsigned char>(c)] & SKIPPED) != 0;
    }
    // A separator, a line end, (main dialect) a carriage return, or a NUL byte, which ends
    // the text of a field but not the field: where a scan of ordinary characters stops.
    bool stops_scan(char c) const { return (table_[static_cast<unsigned char>(c)] & STOPS_SCAN) != 0; }

private:
    enum : unsigned char { SEPARATOR = 1, LINE_END = 2, SKIPPED = 4, STOPS_SCAN = 8 };
    Dialect dialect_;
    int start_;
    unsigned char table_[256] = {};
};

// A text file read in large blocks. Fields are scanned in the buffer and handed out as
// views into it; a field that crosses the end of a block is moved to the front of the
// buffer before the next block is read behind it, so that it stays in one piece.
class TextReader {
public:
    static constexpr size_t DEFAULT_BLOCK_SIZE = size_t{1} << 20;
    static constexpr size_t FIRST_READ = size_t{16} << 10;

    // Reads `stream` (which it does not close) in blocks of `block_size` bytes.
    explicit TextReader(std::FILE* stream, size_t block_size = DEFAULT_BLOCK_SIZE);
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // True once a read has met the end of the file or a read error.
    bool at_end() const { return at_end_; }

    // Next field of the current line, or nothing at a line end, end of file or comment.
    // The view stays valid until the next read.
    std::optional<std::string_view> read_field(const FieldRules& rules);

    // Passes over the rest of the current line, its line end included.
    void skip_line();

private:
    int take();
    void put_back() { --position_; }
    bool refill();
    std::string_view scan_field(const FieldRules& rules, int& ended_by);
    std::optional<std::string_view> rest_of_field(const FieldRules& rules);

    std::FILE* stream_;
    size_t block_size_;
    size_t next_read_ = FIRST_READ;
    std::vector<char> buffer_;
    size_t position_ = 0;  // next character to read
    size_t end_ = 0;       // end of the characters read into the buffer
    size_t field_start_ = NO_FIELD;
    bool at_end_ = false;
    static constexpr size_t NO_FIELD = static_cast<size_t>(-1);
};

// True once the stream can deliver nothing more: end of file or a read error.
bool stream_at_end(const TextReader& stream);

// Next field of the current line, or nothing at a line end, end of file or comment.
std::optional<std::string> ReadField(TextReader& stream, std::string_view separators, Dialect dialect);

// All remaining fields of the current line, each trimmed; empty when there are none.
std::vector<std::string> ReadLine(TextReader& stream, std::string_view separators, Dialect dialect);

// Text without leading and trailing white space (space, tab, LF, CR, VT, FF).
std::string Trim(std::string_view text);

// 1 when `c` is not NUL and occurs in `set`.
int contained(int c, std::string_view set);

// True when every token is an optional sign followed by one or more decimal digits.
bool all_integers(const std::vector<std::string>& tokens);

// -1, 0 or 1 as the integer written in `a` is below, equal to or above the one in `b`;
// both must satisfy all_integers. Exact for any number of digits.
int compare_integer_texts(std::string_view a, std::string_view b);

// The C library's atoi as glibc does it: strtol, then the low 32 bits.
int32_t c_atoi(std::string_view text);

// The C library's strtod of the text, to the last bit: plain decimals go through
// std::from_chars, which rounds them the same way, everything else through strtod.
double c_strtod(std::string_view text);

// `path` when one was given, else `a` followed by `b`.
std::string SetPathName(const std::optional<std::string>& path, std::string_view a, std::string_view b);

// ---- Vectors and matrices -------------------------------------------------------------

// Zero-filled storage for n plain values. It comes from calloc, so that a large block
// costs memory only where it is written: a confusion matrix over many classes is mostly
// zeros that are never touched.
template <class T>
class ZeroBlock {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    ZeroBlock() = default;
    explicit ZeroBlock(size_t n) : size_(n), data_(n != 0 ? static_cast<T*>(std::calloc(n, sizeof(T))) : nullptr) {
        if (n != 0 && !data_) throw std::bad_alloc();
    }
    ZeroBlock(const ZeroBlock& other) : ZeroBlock(other.size_) {
        if (size_ != 0) std::memcpy(data_.get(), other.data_.get(), size_ * sizeof(T));
    }
    ZeroBlock(ZeroBlock&& other) noexcept : size_(std::exchange(other.size_, 0)), data_(std::move(other.data_)) {}
    ZeroBlock& operator=(ZeroBlock other) noexcept {
        std::swap(size_, other.size_);
        std::swap(data_, other.data_);
        return *this;
    }

    T& operator[](size_t i) { return data_.get()[i]; }
    const T& operator[](size_t i) const { return data_.get()[i]; }
    T* data() { return data_.get(); }

private:
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    size_t size_ = 0;
    std::unique_ptr<T, Free> data_;
};

// A zero-filled matrix of T indexed [rlo..rhi][clo..chi], one contiguous block.
template <class T>
class Matrix {
public:
    Matrix() = default;
    Matrix(int rlo, int rhi, int clo, int chi)
        : rlo_(rlo),
          clo_(clo),
          rows_(rhi >= rlo ? rhi - rlo + 1 : 0),
          cols_(chi >= clo ? chi - clo + 1 : 0),
          cells_(static_cast<size_t>(rows_) * static_cast<size_t>(cols_)) {}

    T& at(int r, int c) { return cells_[index(r, c)]; }
    const T& at(int r, int c) const { return cells_[index(r, c)]; }
    bool contains(int r, int c) const { return r >= rlo_ && r - rlo_ < rows_ && c >= clo_ && c - clo_ < cols_; }
    int row_lo() const { return rlo_; }
    int row_hi() const { return rlo_ + rows_ - 1; }
    int col_lo() const { return clo_; }
    int col_hi() const { return clo_ + cols_ - 1; }
    // Row r as a pointer to its first stored column, for bulk reads.
    T* row(int r) { return cells_.data() + index(r, clo_); }

private:
    size_t index(int r, int c) const {
        return static_cast<size_t>(r - rlo_) * static_cast<size_t>(cols_) + static_cast<size_t>(c - clo_);
    }
    int rlo_ = 0, clo_ = 0, rows_ = 0, cols_ = 0;
    ZeroBlock<T> cells_;
};

using DMatrix = Matrix<double>;
using IMatrix = Matrix<int32_t>;

// Prints the header of column numbers, then one line per row, on standard output.
void ShowIMatrix(const IMatrix& m, int rlo, int rhi, int clo, int chi);

// ---- Binary model files ---------------------------------------------------------------

// Sequential reader of a binary file of big-endian fields. A read that cannot be
// satisfied in full is "short": it consumes what was left, and the reader is then at
// the end of the file. Counts from the file are checked with fits() before anything is
// allocated for them.
//
// A regular file is read in large blocks, and fields are decoded from the block in
// memory; a pipe or device, which has no size to check counts against, is read whole
// (up to a bound) when it is opened.
class BinaryReader {
public:
    // Opens `path` read-only; nothing when it cannot be opened.
    static std::optional<BinaryReader> open(const std::string& path);
    // Reads a copy of `bytes` held in memory, as if they were a file's.
    static BinaryReader from_bytes(const unsigned char* bytes, size_t size);
    BinaryReader(BinaryReader&& other) noexcept;
    BinaryReader& operator=(BinaryReader&&) = delete;
    BinaryReader(const BinaryReader&) = delete;
    ~BinaryReader();

    std::optional<int32_t> read_i32() {
        const unsigned char* b = take(4);
        if (b == nullptr) return std::nullopt;
        return static_cast<int32_t>(static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
                                    static_cast<uint32_t>(b[2]) << 8 | static_cast<uint32_t>(b[3]));
    }
    std::optional<int16_t> read_i16() {
        const unsigned char* b = take(2);
        if (b == nullptr) return std::nullopt;
        return static_cast<int16_t>(static_cast<uint16_t>(b[0] << 8 | b[1]));
    }
    std::optional<double> read_f64();
    // Reads `n` doubles into `out` (which must hold n); false on a short read.
    bool read_f64s(double* out, size_t n);
    // Reads exactly `n` raw bytes; nothing on a short read.
    std::optional<std::vector<unsigned char>> read_bytes(size_t n);

    // True when `count` items of `item_size` bytes can still be in the file: count is
    // not negative and no larger than what is left. Computed
    // without overflow. When it is false the reader is moved to the end of the file.
    bool fits(int64_t count, uint64_t item_size);
    // Bytes left before the end of the file, and the whole file's size.
    uint64_t bytes_left() const;
    uint64_t size() const { return size_; }
    // Marks the reader as at the end of the file.
    void skip_to_end();

private:
    BinaryReader(int fd, uint64_t size, size_t block_size);
    // The next `n` bytes, consumed; null on a short read (which consumes what was left).
    const unsigned char* take(size_t n) {
        if (!at_end_ && block_end_ - block_start_ >= n) {
            const unsigned char* bytes = block_.data() + block_start_;
            block_start_ += n;
            position_ += n;
            return bytes;
        }
        return take_after_refill(n);
    }
    const unsigned char* take_after_refill(size_t n);
    bool read_exact(void* dst, size_t n);
    // Moves the unread bytes to the front of the block and reads more after them; false
    // when the file gives nothing more.
    bool refill();

    int fd_ = -1;
    uint64_t size_ = 0;
    uint64_t position_ = 0;  // bytes consumed since the start of the file
    bool at_end_ = false;
    bool refillable_ = true;  // false once the whole file is in the block (pipes and devices)
    std::vector<unsigned char> block_;
    size_t block_start_ = 0;  // first unread byte of block_
    size_t block_end_ = 0;    // end of the bytes read into block_
};

// Thrown after the reporting site printed its out-of-memory message; main exits with 1.
struct OutOfMemory {};

// ---- Settings shared by both programs ------------------------------------------------

// Amount of progress output (-v), compared as a signed 16-bit value.
extern int16_t VERBOSITY;
// Whole name of the predictions file (-p); when absent, the data set name + ".pred".
extern std::optional<std::string> PREDICT_PATH;
// Name of the JSON report of the run (-r); none: no report.
extern std::optional<std::string> REPORT_PATH;

// ---- Driver support shared by both programs ------------------------------------------

// Scans the command line against `optstring`: -f gives the data set name, -v sets
// VERBOSITY (low 16 bits of atoi), -p sets PREDICT_PATH, -r sets REPORT_PATH; any other
// letter goes to `other`. Every rejected word prints "Invalid Option" and scanning goes
// on. Returns the data set name, or nothing when -f was not given.
std::optional<std::string> scan_options(int argc, const char* const* argv, std::string_view optstring,
                                        const std::function<void(int letter, const std::string& value)>& other = {});

// The usage line, on standard error.
void print_usage(int argc, const char* const* argv, const char* version);

// The banner: `title`, the version and the local date and time as ctime gives them.
void print_banner(const char* title, const char* version);

// errors / examples as reals; an empty set has no rate and gives a NaN that prints "nan".
double error_rate(long errors, long examples);

// User CPU time of the process in clock ticks.
clock_t user_cpu_ticks();
// Seconds between two samples, at the fixed 100 ticks per second the reports use.
double cpu_seconds(clock_t start, clock_t end);

// "Can not write file PATH" on standard error, after everything printed so far.
void report_unwritten_file(const std::string& path);

// Flushes standard output at the end of a run. When it did not take everything the run
// printed (a full disk, a closed descriptor), says so on standard error and gives 1;
// else `status`.
int finish_standard_output(int status);
