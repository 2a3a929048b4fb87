#include "ftp/listing_text.h"

namespace velmor::ftp {
namespace {

const wchar_t* TypeName(EntryType type) {
    switch (type) {
        case EntryType::kDirectory:
            return L"dir";
        case EntryType::kLink:
            return L"link";
        case EntryType::kFile:
            break;
    }
    return L"file";
}

}  // namespace

std::wstring FormatListing(const std::vector<RemoteListEntry>& entries) {
    std::wstring text;
    for (const RemoteListEntry& entry : entries) {
        text += entry.name;
        text += L'\t';
        if (entry.type != EntryType::kDirectory && entry.sizeKnown) {
            text += std::to_wstring(entry.size);
        }
        text += L'\t';
        text.append(entry.modified.begin(), entry.modified.end());  // ASCII digits
        text += L'\t';
        text += TypeName(entry.type);
        text += L"\r\n";
    }
    return text;
}

}  // namespace velmor::ftp
