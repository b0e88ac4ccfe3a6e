// The lexical layer of the text formats: the two dialects, the field rules, the block
// reader of a text file and the field and line readers built on it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The two programs read the text formats with slightly different rules. The main
// dialect is the tree classifier's; the discriminant classifier keeps an older one
// (space also separates values, no "[ordered]"/"date" keywords, no carriage-return
// handling, other message wording).
enum class Dialect { Main, Solmet };

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
    // True when a read error ended the reading.
    bool failed() const { return failed_; }

    // Next field of the current line, or nothing at a line end, end of file or comment.
    // The view stays valid until the next read.
    std::optional<std::string_view> read_field(const FieldRules& rules);

    // Passes over the rest of the current line, its line end included.
    void skip_line();

    // The number, from 1, of the physical line on which `field` (a view the last read
    // returned) begins. Fields must be asked for in the order they were read.
    long line_of(std::string_view field);

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
    bool failed_ = false;
    long lines_before_ = 0;  // line ends in the file before buffer_[counted_]
    size_t counted_ = 0;
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
