// The block reader of text files and the field and line readers of both dialects.
#include "text_reader.h"

#include <algorithm>
#include <cstring>

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
        // Line ends about to leave the buffer are counted first.
        if (counted_ < keep) {
            lines_before_ += std::count(buffer_.data() + counted_, buffer_.data() + keep, '\n');
            counted_ = keep;
        }
        counted_ -= keep;
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
        failed_ = std::ferror(stream_) != 0;
        return false;
    }
    end_ += got;
    return true;
}

long TextReader::line_of(std::string_view field) {
    const auto at = static_cast<size_t>(field.data() - buffer_.data());
    if (at > counted_) {
        lines_before_ += std::count(buffer_.data() + counted_, buffer_.data() + at, '\n');
        counted_ = at;
    }
    return lines_before_ + 1;
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
