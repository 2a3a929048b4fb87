// The ready queue: devices that ticks found ready and the host has not yet
// acknowledged, in the order in which they were first put, one entry per id.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "server/core/device_id.h"
#include "server/core/my_din_array.h"

namespace velmor::server {

struct ReadyEntry {
    DeviceId id;
    std::uint32_t crc;
};

class PPCQueue {
public:
    PPCQueue();
    virtual ~PPCQueue() = default;
    PPCQueue(const PPCQueue&) = delete;
    PPCQueue& operator=(const PPCQueue&) = delete;

    // Position of the entry with that id, or -1.
    long IndexOf(const DeviceId& id) const;
    // Overwrites the entry of the same id in place, or appends. An entry that
    // cannot be stored is dropped.
    void Put(const ReadyEntry& entry);
    void Remove(const DeviceId& id);
    // Only valid when Count() > 0.
    const ReadyEntry& Front() const;
    bool PopFront();
    void Clear();

    std::uint32_t Count() const { return slots_.Count(); }
    const ReadyEntry& At(std::uint32_t i) const { return SlotAt(i).entry; }

private:
    // Each slot carries the sequence number it was put with; slots stay in
    // sequence order, so an id's position is found by a hash lookup and a
    // binary search instead of a scan of the whole queue.
    struct Slot {
        ReadyEntry entry;
        std::uint64_t seq;
    };
    const Slot& SlotAt(std::uint32_t i) const { return *static_cast<const Slot*>(slots_.At(i)); }
    long PositionOfSeq(std::uint64_t seq) const;
    void RemovePosition(std::uint32_t i);

    MyDinArray slots_;
    std::unordered_map<DeviceId, std::uint64_t, DeviceIdHash, DeviceIdEqual> seqOf_;
    std::uint64_t nextSeq_ = 0;
};

}  // namespace velmor::server
