#include "server/core/my_din_array.h"

#include <cstdlib>
#include <cstring>

#include "server/core/block_memory.h"

namespace velmor::server {

MyDinArray::~MyDinArray() {
    if (data_) FreeBlock(data_);
}

void MyDinArray::Configure(std::uint32_t initialCapacity, std::uint32_t growthStep,
                           std::uint32_t elementSize) {
    initialCapacity_ = initialCapacity;
    growthStep_ = growthStep;
    elementSize_ = elementSize;
}

bool MyDinArray::Reallocate(std::uint32_t elements) {
    const unsigned long long bytes = static_cast<unsigned long long>(elements) * elementSize_;
    if (bytes > 0xFFFFFFFFull) return false;
    const auto size = static_cast<std::size_t>(bytes);
    void* block = data_ ? ReallocateBlock(data_, size) : AllocateBlock(size);
    if (!block && bytes != 0) return false;
    data_ = static_cast<unsigned char*>(block);
    allocated_ = elements;
    return true;
}

bool MyDinArray::Reset(long n) {
    const std::uint32_t wanted = n == -1 ? initialCapacity_ : static_cast<std::uint32_t>(n);
    if (!data_ || allocated_ != wanted) {
        if (!Reallocate(wanted)) return false;
    }
    capacity_ = wanted;
    count_ = 0;
    return true;
}

void* MyDinArray::AddSlot() {
    if (count_ >= capacity_) {
        const unsigned long long grown = static_cast<unsigned long long>(capacity_) + growthStep_;
        if (grown > 0xFFFFFFFFull || grown <= count_) return nullptr;
        const std::uint32_t newCapacity = static_cast<std::uint32_t>(grown);
        if (newCapacity > allocated_ || !data_) {
            unsigned long long reserve = static_cast<unsigned long long>(allocated_) * 3 / 2;
            if (reserve < newCapacity) reserve = newCapacity;
            if (reserve > 0xFFFFFFFFull) reserve = newCapacity;
            if (!Reallocate(static_cast<std::uint32_t>(reserve)) &&
                !(reserve != newCapacity && Reallocate(newCapacity))) {
                return nullptr;
            }
        }
        capacity_ = newCapacity;
    }
    return At(count_++);
}

void MyDinArray::RemoveAt(std::uint32_t i) {
    if (i >= count_) return;
    const std::size_t tail = static_cast<std::size_t>(count_ - i - 1) * elementSize_;
    if (tail) std::memmove(At(i), At(i + 1), tail);
    --count_;
}

void* MyDinArray::Search(const void* key, CompareFn compare) const {
    if (count_ == 0) return nullptr;
    long long lo = 0;
    long long hi = static_cast<long long>(count_) - 1;
    long long mid = hi / 2;
    do {
        const void* element = At(static_cast<std::uint32_t>(mid));
        const int c = compare(key, element);
        if (c == 0) return const_cast<void*>(element);
        if (c < 0) {
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
        mid = (lo + hi) / 2;
    } while (hi >= lo);
    return nullptr;
}

void MyDinArray::Sort(CompareFn compare) {
    if (count_ > 1) std::qsort(data_, count_, elementSize_, compare);
}

}  // namespace velmor::server
