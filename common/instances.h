// Examples in memory: attribute values, their shared storage, instance records, data
// sets and their display.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "domain.h"
#include "matrix.h"

enum AttValStatus : int { STATUS_KNOWN = 0, STATUS_UNKNOWN = 1, STATUS_DONTCARE = 2 };

// Value stored for unknown and don't-care values: minus the largest finite float.
constexpr double UNKNOWN_VALUE = -3.4028234663852886e38;

struct AttVal {
    int status = STATUS_KNOWN;
    // Label number (NOMINAL, ORDERED), the integer (INTEGER, DATE) or the real
    // (CONTINUOUS and derived attributes); every integer kind is exact in a double.
    double value = 0.0;

    // The stored integer of a discrete or DATE value; 0 for a value outside the 32-bit range.
    int32_t int_value() const {
        if (!(value >= INT32_MIN && value <= INT32_MAX)) return 0;
        return static_cast<int32_t>(value);
    }
};

// The values of one example, entries 0..size()-1: a slice of a block that a data set
// shares among many examples, or, once they have grown past the room of their slice (or
// for examples built one by one), an array of their own.
class AttValues {
public:
    AttValues() = default;
    AttValues(std::initializer_list<AttVal> values);
    // A slice of `capacity` entries of which the first `size` are in use.
    AttValues(AttVal* slice, uint32_t size, uint32_t capacity) : data_(slice), size_(size), capacity_(capacity) {}
    AttValues(const AttValues& other);
    AttValues& operator=(const AttValues& other);
    AttValues(AttValues&& other) noexcept;
    AttValues& operator=(AttValues&& other) noexcept;
    ~AttValues() = default;

    AttVal& operator[](size_t i) { return data_[i]; }
    const AttVal& operator[](size_t i) const { return data_[i]; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    size_t capacity() const { return capacity_; }
    AttVal* begin() { return data_; }
    AttVal* end() { return data_ + size_; }
    const AttVal* begin() const { return data_; }
    const AttVal* end() const { return data_ + size_; }
    bool owns_storage() const { return owned_ != nullptr; }

    // Resizes to `size` entries; entries added beyond the old size are known zeros.
    // False, with the values unchanged, when the memory cannot be had.
    bool resize(size_t size);
    void push_back(const AttVal& value);

private:
    void grow(size_t capacity);
    AttVal* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
    std::unique_ptr<AttVal[]> owned_;
};

struct Instance {
    int class_value = 0;
    int nr_attributes = 0;
    double weight = 1.0;
    AttValues values;  // 0..nr_attributes; entry 0 holds the example number
    long line = 0;     // the line of the test file its first field is on, when asked for; else 0
};

// The examples of a data set, entries 0.. (entry 0 unused by the readers). Examples are
// kept in chunks, so that growing past the first never moves them, and the values of the
// examples the reader adds lie in a few large blocks, each example's at a fixed stride.
class InstanceArray {
public:
    InstanceArray() = default;
    InstanceArray(std::initializer_list<Instance> instances);
    InstanceArray(InstanceArray&& other) noexcept { swap(other); }
    InstanceArray& operator=(InstanceArray&& other) noexcept {
        InstanceArray(std::move(other)).swap(*this);
        return *this;
    }
    void swap(InstanceArray& other) noexcept {
        std::swap(chunks_, other.chunks_);
        std::swap(capacity_, other.capacity_);
        std::swap(size_, other.size_);
        std::swap(stride_, other.stride_);
        std::swap(used_, other.used_);
        std::swap(first_room_, other.first_room_);
        std::swap(blocks_, other.blocks_);
    }

    Instance& operator[](size_t i) { return chunks_[i / CHUNK][i % CHUNK]; }
    const Instance& operator[](size_t i) const { return chunks_[i / CHUNK][i % CHUNK]; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Makes room for `count` examples in all without allocating again. Throws bad_alloc.
    void reserve(size_t count);
    void push_back(Instance instance);

    // Value storage of the examples the reader adds, `stride` entries each.
    void set_value_stride(uint32_t stride) { set_value_layout(stride, stride); }
    // The same with `room` entries per example, of which the first `used` hold the values
    // read: room to grow into without storage of its own.
    void set_value_layout(uint32_t used, uint32_t room) {
        used_ = used;
        stride_ = std::max(used, room);
    }
    // Drops every example but keeps the storage of the examples, and of their values when
    // one block holds them; else the next values take one block for as many as it held.
    // For the next block of examples of a stream.
    void clear();
    // The entries the next added example is to fill in place; throws bad_alloc.
    AttVal* next_slice();
    // Adds an example whose values are the `stride` entries of next_slice().
    void add_from_slice(int class_value, int nr_attributes, long line = 0);

    // Gives every example stored in the blocks room for `extra` more values, re-laying one
    // block at a time. False when a block could not be re-laid (for want of memory); the
    // examples of the blocks not re-laid keep growing one by one.
    bool reserve_room(uint32_t extra);

private:
    static constexpr size_t CHUNK = 10000;
    static constexpr size_t FIRST_ROOM = 64;  // examples the first chunk and block take
    // Bytes a value block stays within, unless one example needs more.
    static constexpr size_t BLOCK_BYTES = size_t{16} << 20;
    struct ValueBlock {
        ZeroBlock<AttVal> cells;
        uint32_t stride = 0;
        size_t room = 0;            // examples the block can hold
        size_t first_instance = 0;  // the examples it holds, in order
        size_t count = 0;
    };
    std::vector<std::unique_ptr<Instance[]>> chunks_;
    size_t capacity_ = 0;
    size_t size_ = 0;
    uint32_t stride_ = 1;  // entries of an example's slice
    uint32_t used_ = 1;    // of which the reader fills the first `used_`
    size_t first_room_ = FIRST_ROOM;
    std::vector<ValueBlock> blocks_;
};

struct CiDataset {
    Domain domain;  // without IGNORE attributes
    int nr_instances = 0;
    InstanceArray instances;  // 1..nr_instances; entry 0 unused
    long rejected_lines = 0;  // lines dropped with a message
};

// Gives every example of the data set room for `extra` more values, so that appending up
// to that many needs no allocation of its own. Meant to be done once per run, before the
// examples grow; peak memory grows by one block of values at most. False when memory ran
// short: the examples not given room then grow one by one, as they would without it.
bool Ci_ReserveRoom(CiDataset& dataset, int extra);

// Resizes the values to `size` entries (0..size-1); new entries are known zeros.
int Ci_ReBuildInstance(Instance& instance, int size);

void ShowCiInstance(const Domain& domain, const AttValues& values, int count);
void Show_CiInstances(const CiDataset& dataset, int first, int last);
