// A growable array of fixed-size elements kept in one block (see block_memory.h).
// Every list of the exchange server is one of these.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmor::server {

class MyDinArray {
public:
    using CompareFn = int (*)(const void* key, const void* element);

    MyDinArray() = default;
    virtual ~MyDinArray();
    MyDinArray(const MyDinArray&) = delete;
    MyDinArray& operator=(const MyDinArray&) = delete;

    // Stores the sizes; allocates nothing.
    void Configure(std::uint32_t initialCapacity, std::uint32_t growthStep,
                   std::uint32_t elementSize);

    // Empties the array with room for n elements (n == -1: initialCapacity).
    // Returns false and changes nothing when the block cannot be allocated.
    bool Reset(long n);

    // Appends one uninitialised element and returns it; null when the array
    // is full and cannot grow (then nothing changes).
    void* AddSlot();

    // Removes element i keeping the order of the rest; no-op past the end.
    void RemoveAt(std::uint32_t i);

    void* At(std::uint32_t i) { return data_ + static_cast<std::size_t>(i) * elementSize_; }
    const void* At(std::uint32_t i) const {
        return data_ + static_cast<std::size_t>(i) * elementSize_;
    }
    std::uint32_t Count() const { return count_; }
    std::uint32_t Capacity() const { return capacity_; }

    // Binary search in an array sorted by compare; null when not found.
    void* Search(const void* key, CompareFn compare) const;

    // Sorts the elements in place (qsort).
    void Sort(CompareFn compare);

private:
    bool Reallocate(std::uint32_t elements);

    unsigned char* data_ = nullptr;
    std::uint32_t count_ = 0;
    std::uint32_t capacity_ = 0;
    std::uint32_t elementSize_ = 0;
    std::uint32_t initialCapacity_ = 0;
    std::uint32_t growthStep_ = 0;
    // Elements the block really holds. The capacity grows linearly by
    // growthStep, but the block itself is enlarged geometrically so that
    // filling a list of n elements costs O(n) copying, not O(n^2).
    std::uint32_t allocated_ = 0;
};

}  // namespace velmor::server
