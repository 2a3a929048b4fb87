#include "server/server_engine.h"

#include <windows.h>

#include <cstring>

#include "server/core/info_line.h"
#include "server/core/safe_relative_name.h"
#include "server/core/status_files.h"
#include "server/core/status_line.h"
#include "server/win/system_file_system.h"
#include "server/win/text_line_reader.h"

namespace velmor::server {
namespace {

const wchar_t kConfigName[] = L"config.xml";
const wchar_t kStatusName[] = L"Status.txt";
const wchar_t kStackName[] = L"Stack.txt";

}  // namespace

ServerEngine::ServerEngine() : ServerEngine(MakeSystemFolderChanges()) {}

ServerEngine::ServerEngine(std::unique_ptr<FolderChanges> changes) : gate_(std::move(changes)) {
    devices_.Configure(16, 8, sizeof(DeviceRecord));
    devices_.Reset(-1);
    filterIds_.Configure(16, 8, sizeof(DeviceId));
    filterIds_.Reset(-1);
}

void ServerEngine::SetExchangeDir(const std::wstring& dir) {
    readyQueue_.Clear();
    exchangeDir_ = dir.substr(0, kMaxExchangeDirChars);
    if (!exchangeDir_.empty() && exchangeDir_.back() != L'\\') exchangeDir_ += L'\\';
    gate_.Open(exchangeDir_, {exchangeDir_ + kStatusName, exchangeDir_ + kStackName});
    LoadConfig();
    // A tick run while the config's message box was up may have read the
    // folder for a list that was still empty.
    gate_.Invalidate();
    Refresh();
}

void ServerEngine::LoadConfig() {
    devices_.Reset(-1);
    firstDevice_.clear();
    configReader_.ReadDevices(exchangeDir_ + kConfigName, [this](const ConfigDevice& c) {
        void* slot = devices_.AddSlot();
        if (!slot) return;
        auto& d = *static_cast<DeviceRecord*>(slot);
        std::memset(&d, 0, sizeof d);
        d.id = ParseDeviceId(c.id);
        CopyName64(d.directory, c.directory);
        CopyName64(d.pseudonym, c.pseudonym);
        firstDevice_.emplace(d.id, devices_.Count() - 1);
    });
}

std::wstring ServerEngine::DataPath(const wchar_t* name) const {
    return exchangeDir_ + L"\\" + name;
}

bool ServerEngine::ReadStatus(MyDinArray& status) {
    status.Configure(16, 8, sizeof(StatusRecord));
    status.Reset(-1);
    if (exchangeDir_.empty()) return false;
    TextLineReader reader(exchangeDir_ + kStatusName);
    if (!reader.IsOpen()) return false;
    ReadStatusLines(reader, status);
    return true;
}

bool ServerEngine::MergeStack(MyDinArray& status, const FolderIndex& folder) {
    const std::wstring path = exchangeDir_ + kStackName;
    TextLineReader reader(path);
    if (!reader.IsOpen()) return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
    MergeStackLines(reader, status, folder);
    return true;
}

void ServerEngine::MarkNotReady(DeviceRecord& d) {
    d.file[0] = L'\0';
    d.time = CalendarTime{};
    d.crc = 0;
    d.ready = 0;
}

int ServerEngine::Refresh() {
    if (exchangeDir_.empty()) return 0;
    if (!gate_.ReadDue()) return readyCount_;
    bool settled = false;
    readyCount_ = ReadAll(settled);
    gate_.ReadDone(settled);
    return readyCount_;
}

int ServerEngine::ReadAll(bool& settled) {
    MyDinArray status;
    settled = false;
    // Without a readable Status.txt nothing changes; the next call tries again.
    if (!ReadStatus(status)) return 0;
    const FolderIndex folder(exchangeDir_, SystemFileSystem());
    settled = MergeStack(status, folder);
    int readyCount = 0;
    const bool filtered = filterIds_.Count() > 0;
    for (std::uint32_t i = 0; i < devices_.Count(); ++i) {
        auto& d = *static_cast<DeviceRecord*>(devices_.At(i));
        const auto* r = static_cast<const StatusRecord*>(status.Search(&d.id, CompareDeviceIds));
        if (!r) {
            MarkNotReady(d);
            continue;
        }
        const bool ready = r->file[0] != L'\0' && DataFileExists(folder, r->file) &&
                           (!filtered || filterIds_.Search(&d.id, CompareDeviceIds));
        if (ready) {
            d.ready = 1;
            d.crc = static_cast<std::uint32_t>(r->number);
            std::memcpy(d.file, r->file, sizeof d.file);
            d.time = r->time;
            ++readyCount;
        } else {
            MarkNotReady(d);
            readyQueue_.Remove(d.id);
        }
    }
    return readyCount;
}

const DeviceRecord* ServerEngine::FindDevice(const DeviceId& id) const {
    const auto it = firstDevice_.find(id);
    if (it == firstDevice_.end()) return nullptr;
    return &DeviceAt(it->second);
}

void ServerEngine::Tick() {
    if (exchangeDir_.empty()) return;
    if (Refresh() == 0) return;
    for (std::uint32_t i = 0; i < devices_.Count(); ++i) {
        const DeviceRecord& d = DeviceAt(i);
        if (d.ready == 1) readyQueue_.Put(ReadyEntry{d.id, d.crc});
    }
    while (readyQueue_.Count() > 0 && !FindDevice(readyQueue_.Front().id)) {
        readyQueue_.PopFront();
    }
}

void ServerEngine::ProcessDone(const DeviceId& id) {
    Refresh();
    const DeviceRecord* d = FindDevice(id);
    readyQueue_.Remove(id);
    // Only a ready device's file is deleted, and only when its name stays
    // inside the exchange folder (the names come from the device side).
    if (!d || d->ready != 1 || d->file[0] == L'\0' || !IsSafeRelativeName(d->file)) return;
    DeleteFileW(DataPath(d->file).c_str());
    gate_.Invalidate();
}

void ServerEngine::AddPPCId(const DeviceId& id) {
    void* slot = filterIds_.AddSlot();
    if (!slot) return;
    std::memcpy(slot, &id, sizeof id);
    filterIds_.Sort(CompareDeviceIds);
    gate_.Invalidate();
}

void ServerEngine::ClearPPCId() {
    filterIds_.Reset(-1);
    gate_.Invalidate();
}

std::wstring ServerEngine::GetPPCInfoByIndex(long index) {
    DeviceRecord picked;
    {
        CriticalSectionLock hold(lock_);
        const std::uint32_t count = devices_.Count();
        if (count == 0) return {};
        std::uint32_t i = index < 0 ? 0 : static_cast<std::uint32_t>(index);
        if (i >= count) i = count - 1;
        Refresh();
        picked = DeviceAt(i);
    }
    return FormatInfoLine(picked);
}

std::wstring ServerEngine::GetFieldPPCInfo(const std::wstring& info,
                                           const std::wstring& name) const {
    return ExtractField(info, name, [this](const DeviceId& id) { return FindDevice(id); });
}

std::wstring ServerEngine::GetPPCInfo(const DeviceId& id) {
    Refresh();
    const DeviceRecord* d = FindDevice(id);
    return d ? FormatInfoLine(*d) : std::wstring();
}

}  // namespace velmor::server
