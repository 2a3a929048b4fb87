#include "zip/source_total.h"

#include <windows.h>

namespace velmor::zip {

int64_t SourceTotal(const std::vector<FileListPair>& pairs) {
    int64_t total = 0;
    for (const FileListPair& pair : pairs) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(pair.sourcePath.c_str(), GetFileExInfoStandard, &data)) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        total += static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                                      data.nFileSizeLow);
    }
    return total;
}

}  // namespace velmor::zip
