#pragma once
// A vector that holds its first N elements in itself and only moves to the
// heap beyond them. A data set loading a million loci holds a few small
// lists per locus (a SNP has two alleles and three phenotypes); on the heap
// each would cost a block and its bookkeeping, several times its contents.
// For trivially copyable element types only.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>

namespace phenostat {

template <class T, std::size_t N>
class SmallVector {
    static_assert(std::is_trivially_copyable_v<T>, "SmallVector copies its elements as bytes");

public:
    SmallVector() = default;
    SmallVector(std::initializer_list<T> values) { insert(end(), values.begin(), values.end()); }
    SmallVector(const SmallVector& other) { insert(end(), other.begin(), other.end()); }
    SmallVector(SmallVector&& other) noexcept { take(other); }
    SmallVector& operator=(const SmallVector& other) {
        if (this != &other) {
            clear();
            insert(end(), other.begin(), other.end());
        }
        return *this;
    }
    SmallVector& operator=(SmallVector&& other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    ~SmallVector() { release(); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* data() { return on_heap() ? heap_ : inline_; }
    const T* data() const { return on_heap() ? heap_ : inline_; }
    T* begin() { return data(); }
    T* end() { return data() + size_; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size_; }
    T& operator[](std::size_t i) { return data()[i]; }
    const T& operator[](std::size_t i) const { return data()[i]; }
    T& back() { return data()[size_ - 1]; }

    void push_back(T value) {
        if (size_ == capacity_) grow(size_ + 1);
        data()[size_++] = value;
    }
    // Appends [first, last) at the end (the only place this vector inserts).
    void insert(const T* at, const T* first, const T* last) {
        (void)at;
        const auto count = static_cast<std::size_t>(last - first);
        if (size_ + count > capacity_) grow(size_ + count);
        if (count > 0) std::memcpy(data() + size_, first, count * sizeof(T));
        size_ += static_cast<std::uint32_t>(count);
    }
    void assign(std::size_t count, T value) {
        clear();
        if (count > capacity_) grow(count);
        std::fill(data(), data() + count, value);
        size_ = static_cast<std::uint32_t>(count);
    }
    void clear() { size_ = 0; }
    void shrink_to_fit() {}

private:
    bool on_heap() const { return capacity_ > N; }
    void grow(std::size_t needed) {
        const std::size_t capacity = std::max<std::size_t>(needed, 2 * std::size_t{capacity_});
        T* heap = static_cast<T*>(::operator new(capacity * sizeof(T)));
        if (size_ > 0) std::memcpy(heap, data(), size_ * sizeof(T));
        release();
        heap_ = heap;
        capacity_ = static_cast<std::uint32_t>(capacity);
    }
    void release() {
        if (on_heap()) ::operator delete(heap_);
        capacity_ = N;
    }
    void take(SmallVector& other) {
        size_ = other.size_;
        capacity_ = other.capacity_;
        if (other.on_heap()) {
            heap_ = other.heap_;
        } else if (size_ > 0) {
            std::memcpy(inline_, other.inline_, size_ * sizeof(T));
        }
        other.size_ = 0;
        other.capacity_ = N;
    }

    union {
        T inline_[N];
        T* heap_;
    };
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = N;
};

}  // namespace phenostat
