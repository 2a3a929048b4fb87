// The exchange server: the device list read from config.xml, the status and
// stack files that name each device's pending data file, the ready queue
// maintained by ticks, the device filter and the lookups.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "base/win/critical_section.h"
#include "base/win/handle_traits.h"
#include "server/core/device_id.h"
#include "server/core/device_record.h"
#include "server/core/folder_index.h"
#include "server/core/my_din_array.h"
#include "server/win/my_xml.h"
#include "server/core/ppc_queue.h"
#include "server/core/refresh_gate.h"

namespace velmor::server {

// Characters of the folder argument that are kept (a "\" is appended).
constexpr std::size_t kMaxExchangeDirChars = 322;
constexpr int kPollIntervalMs = 5000;

class ServerEngine {
public:
    ServerEngine();
    // Watches the exchange folder through changes (tests pass their own).
    explicit ServerEngine(std::unique_ptr<FolderChanges> changes);
    virtual ~ServerEngine() = default;
    ServerEngine(const ServerEngine&) = delete;
    ServerEngine& operator=(const ServerEngine&) = delete;

    // Empties the ready queue, keeps the folder (with a trailing "\"),
    // reloads the device list and refreshes.
    void SetExchangeDir(const std::wstring& dir);
    const std::wstring& ExchangeDir() const { return exchangeDir_; }

    long GetPPCCount() const { return static_cast<long>(devices_.Count()); }
    // The info line of the device at the clamped index; empty without devices.
    std::wstring GetPPCInfoByIndex(long index);
    // The info line of the first device with that id; empty when none.
    std::wstring GetPPCInfo(const DeviceId& id);
    // Deletes the device's ready data file and forgets its queue entry.
    void ProcessDone(const DeviceId& id);
    void AddPPCId(const DeviceId& id);
    void ClearPPCId();

    // One timer tick: refresh, queue the ready devices, drop unknown
    // entries from the front of the queue.
    void Tick();
    // Brings every device up to date with Status.txt, Stack.txt and the data
    // files; returns the number of ready devices. The files are read again
    // only when the folder may have changed since the last read; the result
    // is always what a full read would give.
    int Refresh();
    // One field of an info line; a line of one of this engine's devices is
    // split with that device's names.
    std::wstring GetFieldPPCInfo(const std::wstring& info, const std::wstring& name) const;
    void ClearReadyQueue() { readyQueue_.Clear(); }

    const DeviceRecord* FindDevice(const DeviceId& id) const;
    const DeviceRecord& DeviceAt(std::uint32_t i) const {
        return *static_cast<const DeviceRecord*>(devices_.At(i));
    }
    const PPCQueue& ReadyQueue() const { return readyQueue_; }
    MyXML& ConfigReader() { return configReader_; }

private:
    void LoadConfig();
    // Reads the whole state from the files; settled tells whether the outcome
    // can only change through a change to the folder.
    int ReadAll(bool& settled);
    bool ReadStatus(MyDinArray& status);
    // False when Stack.txt exists but cannot be read.
    bool MergeStack(MyDinArray& status, const FolderIndex& folder);
    std::wstring DataPath(const wchar_t* name) const;
    void MarkNotReady(DeviceRecord& device);

    CriticalSection lock_;
    std::wstring exchangeDir_;
    MyDinArray devices_;
    PPCQueue readyQueue_;
    MyDinArray filterIds_;
    MyXML configReader_;
    RefreshGate gate_;
    int readyCount_ = 0;  // what the last read found
    // Position of the first device of each id, rebuilt with the list.
    std::unordered_map<DeviceId, std::uint32_t, DeviceIdHash, DeviceIdEqual> firstDevice_;
};

}  // namespace velmor::server
