#include "server/core/ppc_queue.h"

namespace velmor::server {

PPCQueue::PPCQueue() {
    // Not reset here: the block is first allocated by the first Put.
    slots_.Configure(16, 8, sizeof(Slot));
}

long PPCQueue::PositionOfSeq(std::uint64_t seq) const {
    const std::uint32_t count = slots_.Count();
    if (count == 0) return -1;
    // Sequence numbers rise along the queue and removals only close gaps, so
    // an entry sits at most (seq - first seq) places from the front; without
    // removals in front of it, exactly there.
    const std::uint64_t first = SlotAt(0).seq;
    if (seq < first) return -1;
    const std::uint64_t offset = seq - first;
    long hi = offset < count ? static_cast<long>(offset) : static_cast<long>(count) - 1;
    if (SlotAt(static_cast<std::uint32_t>(hi)).seq == seq) return hi;
    long lo = 0;
    while (lo <= hi) {
        const long mid = lo + (hi - lo) / 2;
        const std::uint64_t s = SlotAt(static_cast<std::uint32_t>(mid)).seq;
        if (s == seq) return mid;
        if (s < seq) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return -1;
}

long PPCQueue::IndexOf(const DeviceId& id) const {
    const auto it = seqOf_.find(id);
    if (it == seqOf_.end()) return -1;
    return PositionOfSeq(it->second);
}

void PPCQueue::Put(const ReadyEntry& entry) {
    const long at = IndexOf(entry.id);
    if (at >= 0) {
        static_cast<Slot*>(slots_.At(static_cast<std::uint32_t>(at)))->entry = entry;
        return;
    }
    try {
        auto inserted = seqOf_.emplace(entry.id, nextSeq_);
        void* slot = slots_.AddSlot();
        if (!slot) {
            seqOf_.erase(inserted.first);
            return;
        }
        *static_cast<Slot*>(slot) = Slot{entry, nextSeq_++};
    } catch (...) {
        // Out of memory: the entry is dropped.
    }
}

void PPCQueue::RemovePosition(std::uint32_t i) {
    seqOf_.erase(SlotAt(i).entry.id);
    slots_.RemoveAt(i);
}

void PPCQueue::Remove(const DeviceId& id) {
    const long at = IndexOf(id);
    if (at >= 0) RemovePosition(static_cast<std::uint32_t>(at));
}

const ReadyEntry& PPCQueue::Front() const { return SlotAt(0).entry; }

bool PPCQueue::PopFront() {
    if (slots_.Count() == 0) return false;
    RemovePosition(0);
    return true;
}

void PPCQueue::Clear() {
    if (!slots_.Reset(-1)) {
        // The block could not be resized: empty it in place instead.
        while (slots_.Count() > 0) slots_.RemoveAt(slots_.Count() - 1);
    }
    seqOf_.clear();
}

}  // namespace velmor::server
