// Status.txt, Stack.txt and the folder listing, as a device side may leave
// them. The input holds up to three parts separated by "\n%%\n": the status
// file, the stack file and the folder's names, one a line (without a third
// part the folder cannot be listed). The records come out sorted by id and
// found by their id, and the folder index answers as the file system does.
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "server/core/device_id.h"
#include "server/core/device_record.h"
#include "server/core/folder_index.h"
#include "server/core/my_din_array.h"
#include "server/core/status_files.h"

using namespace velmor::server;

namespace {

const std::wstring kFolder = L"C:\\exchange\\";

// Lines as the C runtime's fgets gives them: up to and including an LF, at
// most 1023 bytes at a time, each ending at its first NUL byte.
class MemoryLines final : public LineSource {
public:
    explicit MemoryLines(std::string bytes) : bytes_(std::move(bytes)) {}
    bool Next(std::wstring& line) override {
        if (pos_ >= bytes_.size()) return false;
        std::size_t end = pos_;
        while (end < bytes_.size() && end - pos_ < 1023 && bytes_[end++] != '\n') {
        }
        const std::string chunk = bytes_.substr(pos_, end - pos_);
        pos_ = end;
        line = Latin1Line(chunk.c_str());
        return true;
    }

private:
    std::string bytes_;
    std::size_t pos_ = 0;
};

std::wstring AsciiUpper(std::wstring s) {
    for (wchar_t& c : s) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return s;
}

// A folder that holds exactly the listed names (paths below it included).
class ListedFolder final : public FolderFileSystem {
public:
    ListedFolder(const std::string& listing, bool listable) : listable_(listable) {
        std::size_t start = 0;
        while (start <= listing.size()) {
            std::size_t end = listing.find('\n', start);
            if (end == std::string::npos) end = listing.size();
            const std::wstring name = Latin1Line(listing.substr(start, end - start).c_str());
            if (!name.empty()) {
                names_.push_back(name);
                keys_.insert(AsciiUpper(name));
            }
            start = end + 1;
        }
    }
    bool List(const std::wstring& folder, const NameSink& onName) const override {
        FUZZ_CHECK(folder == kFolder);
        if (!listable_) return false;
        for (const std::wstring& name : names_) onName(name);
        return true;
    }
    bool Exists(const std::wstring& path) const override {
        const std::wstring prefix = kFolder + L"\\";
        if (path.compare(0, prefix.size(), prefix) != 0) return false;
        return keys_.count(AsciiUpper(path.substr(prefix.size()))) != 0;
    }
    std::wstring CaseKey(const std::wstring& name) const override { return AsciiUpper(name); }
    const std::vector<std::wstring>& Names() const { return names_; }

private:
    bool listable_;
    std::vector<std::wstring> names_;
    std::set<std::wstring> keys_;
};

const StatusRecord& RecordAt(const MyDinArray& a, std::uint32_t i) {
    return *static_cast<const StatusRecord*>(a.At(i));
}

void CheckSortedAndFound(const MyDinArray& status) {
    for (std::uint32_t i = 0; i < status.Count(); ++i) {
        const StatusRecord& r = RecordAt(status, i);
        FUZZ_CHECK(r.file[kNameUnits - 1] == L'\0');
        if (i > 0) FUZZ_CHECK(CompareDeviceIds(&RecordAt(status, i - 1).id, &r.id) <= 0);
        const void* found = status.Search(&r.id, CompareDeviceIds);
        FUZZ_CHECK(found != nullptr);
        FUZZ_CHECK(SameDeviceId(static_cast<const StatusRecord*>(found)->id, r.id));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (parts.size() < 2) {
        const std::size_t sep = input.find("\n%%\n", start);
        if (sep == std::string::npos) break;
        parts.push_back(input.substr(start, sep - start));
        start = sep + 4;
    }
    parts.push_back(input.substr(start));
    const bool listable = parts.size() == 3;
    parts.resize(3);

    MyDinArray status;
    status.Configure(16, 8, sizeof(StatusRecord));
    FUZZ_CHECK(status.Reset(-1));
    MemoryLines statusLines(parts[0]);
    ReadStatusLines(statusLines, status);
    CheckSortedAndFound(status);
    const std::uint32_t count = status.Count();

    const ListedFolder fileSystem(parts[2], listable);
    const FolderIndex folder(kFolder, fileSystem);
    MemoryLines stackLines(parts[1]);
    MergeStackLines(stackLines, status, folder);
    FUZZ_CHECK(status.Count() == count);
    CheckSortedAndFound(status);

    // The listing answers exactly as asking for each name would.
    for (std::uint32_t i = 0; i < status.Count(); ++i) {
        const std::wstring name = RecordAt(status, i).file;
        FUZZ_CHECK(folder.Exists(name) == fileSystem.Exists(kFolder + L"\\" + name));
    }
    for (const std::wstring& name : fileSystem.Names()) {
        FUZZ_CHECK(folder.Exists(name) == fileSystem.Exists(kFolder + L"\\" + name));
    }
    return 0;
}
