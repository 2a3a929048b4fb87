// Publication of lazily built shared state: a slot that is empty until it holds a finished
// object, written once with an interlocked compare-exchange and read with acquire semantics.
#pragma once
#include <atomic>

namespace velmor {

// What `slot` holds now (null while nothing has been published).
template <class T>
T* Published(const std::atomic<T*>& slot) noexcept {
    return slot.load(std::memory_order_acquire);
}

// Publishes `made`, which the caller has built completely, unless something was published
// first; then the caller's copy is handed to `discard`. Returns what the slot holds afterwards.
template <class T, class Discard>
T* Publish(std::atomic<T*>& slot, T* made, Discard discard) noexcept {
    T* expected = nullptr;
    if (slot.compare_exchange_strong(expected, made, std::memory_order_acq_rel,
                                     std::memory_order_acquire)) {
        return made;
    }
    discard(made);
    return expected;
}

// Empties the slot and returns what it held (library unload).
template <class T>
T* Unpublish(std::atomic<T*>& slot) noexcept {
    return slot.exchange(nullptr, std::memory_order_acq_rel);
}

}  // namespace velmor
