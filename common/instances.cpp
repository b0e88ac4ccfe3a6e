// Storage of examples: value slices in shared blocks, chunked instance arrays, display.
#include "instances.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

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
        const size_t wanted = blocks_.empty() ? first_room_ : size_t{2} * blocks_.back().room;
        block.room = std::clamp<size_t>(BLOCK_BYTES / (sizeof(AttVal) * stride_), 1, std::min(wanted, CHUNK));
        block.cells = ZeroBlock<AttVal>(block.room * stride_);
        block.first_instance = size_;
        blocks_.push_back(std::move(block));
    }
    ValueBlock& block = blocks_.back();
    return &block.cells[block.count * block.stride];
}

void InstanceArray::add_from_slice(int class_value, int nr_attributes, long line) {
    ValueBlock& block = blocks_.back();
    AttVal* slice = &block.cells[block.count * block.stride];
    push_back(Instance{class_value, nr_attributes, 1.0, AttValues(slice, used_, block.stride), line});
    ++block.count;
}

void InstanceArray::clear() {
    for (size_t i = 0; i < size_; ++i) (*this)[i] = Instance{};
    size_ = 0;
    if (blocks_.size() == 1) {
        blocks_[0].count = 0;
        return;
    }
    // The values lay in several blocks as they grew: next time one block takes them all.
    size_t held = 0;
    for (const ValueBlock& block : blocks_) held += block.count;
    first_room_ = std::max(first_room_, held);
    blocks_.clear();
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
        std::printf("%.0f\t%d\t%.3f\t", instance.values.empty() ? 0.0 : instance.values[0].value,
                    instance.nr_attributes, instance.weight);
        // Class 0: an example read without a class (-u).
        if (instance.class_value == 0)
            std::printf("?\t");
        else
            std::printf("%d\t", instance.class_value);
        ShowCiInstance(dataset.domain, instance.values, instance.nr_attributes);
    }
}
