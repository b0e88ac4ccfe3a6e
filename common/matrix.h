// Zero-filled storage and matrices with chosen index bounds, and the integer matrix
// display of the confusion matrices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

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
