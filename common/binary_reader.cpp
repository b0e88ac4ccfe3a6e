// The big-endian reader of binary model files: blocks from regular files, pipes read whole.
#include "binary_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

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

bool BinaryReader::fits(int64_t count, uint64_t item_size) const {
    if (count < 0) return false;
    return item_size == 0 || static_cast<uint64_t>(count) <= bytes_left() / item_size;
}

void BinaryReader::skip_to_end() { at_end_ = true; }
