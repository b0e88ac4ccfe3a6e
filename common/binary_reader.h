// The big-endian reader that every binary model file is read with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
    // not negative and no larger than what is left. Computed without overflow.
    bool fits(int64_t count, uint64_t item_size) const;
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
