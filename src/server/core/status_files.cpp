#include "server/core/status_files.h"

#include "server/core/device_id.h"
#include "server/core/device_record.h"
#include "server/core/safe_relative_name.h"
#include "server/core/status_line.h"

namespace velmor::server {

std::wstring Latin1Line(const char* bytes) {
    std::wstring line;
    for (const char* p = bytes; *p; ++p)
        line += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return line;
}

bool DataFileExists(const FolderIndex& folder, const wchar_t* name) {
    return IsSafeRelativeName(name) && folder.Exists(name);
}

void ReadStatusLines(LineSource& lines, MyDinArray& status) {
    std::wstring line;
    while (lines.Next(line)) {
        TrimLineEnd(line);
        if (line.size() < kMinStatusLineLength) continue;
        void* slot = status.AddSlot();
        if (!slot) continue;
        ReadStatusLine(line, *static_cast<StatusRecord*>(slot));
    }
    status.Sort(CompareDeviceIds);
}

void MergeStackLines(LineSource& lines, MyDinArray& status, const FolderIndex& folder) {
    std::wstring line;
    StatusRecord stacked;
    while (lines.Next(line)) {
        TrimLineEnd(line);
        if (line.size() < kMinStatusLineLength) continue;
        if (ReadStatusLine(line, stacked) < kStatusFieldCount) continue;
        if (!DataFileExists(folder, stacked.file)) continue;
        auto* current = static_cast<StatusRecord*>(status.Search(&stacked.id, CompareDeviceIds));
        if (!current) continue;
        if (!DataFileExists(folder, current->file)) *current = stacked;
    }
}

}  // namespace velmor::server
