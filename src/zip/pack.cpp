#include "zip/pack.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <thread>

#include "zip/source_total.h"
#include "zip/write/writer.h"

namespace velmor::zip {

FileList SplitFileList(const std::wstring& list) {
    const std::wstring text = list + L'\t';
    FileList result;
    size_t pos = 0;
    for (;;) {
        const size_t nameEnd = text.find(L'\t', pos);
        if (nameEnd == std::wstring::npos) break;
        const size_t pathEnd = text.find(L'\t', nameEnd + 1);
        if (pathEnd == std::wstring::npos) {
            result.endsWithLoneName = true;
            break;
        }
        result.pairs.push_back(
            {text.substr(pos, nameEnd - pos), text.substr(nameEnd + 1, pathEnd - nameEnd - 1)});
        pos = pathEnd + 1;
    }
    return result;
}

namespace {

// Pack of the pairs; endsWithLoneName: a name without a path follows them, which fails the
// call once they are made.
long PackList(const std::wstring& archiveName, const std::vector<FileListPair>& pairs,
              bool endsWithLoneName, const std::string& password, EntryEncryption encryption,
              int level, ProgressSink* progress) {
    long result = kResultOk;
    std::unique_ptr<ArchiveWriter> writer;
    if (!pairs.empty()) {
        if (archiveName.size() > kMaxArchiveNameLength) return kResultPackError;
        ProgressTally tally(progress, progress ? SourceTotal(pairs) : 0);
        tally.SetName(pairs.front().entryName);
        if (!tally.Start()) return kResultCancelled;
        writer = ArchiveWriter::Create(archiveName, password, encryption, level);
        if (!writer) return kResultPackError;
        const ArchiveStatus added =
            AddEntries(*writer, pairs, PackThreads(), kWaitingBudget, progress ? &tally : nullptr);
        if (added == ArchiveStatus::Cancelled) return kResultCancelled;
        if (added != ArchiveStatus::Ok) result = kResultAddError;
        if (result == kResultOk && !endsWithLoneName) tally.Finish();
    }
    if (result == kResultOk && endsWithLoneName) result = kResultFileNamesError;
    if (!writer) return result;
    // A failed Pack leaves the archive's name as it was: the new archive only takes it whole.
    if (result != kResultOk) {
        writer->Discard();
        return result;
    }
    return writer->Finish() == ArchiveStatus::Ok ? kResultOk : kResultCloseError;
}

}  // namespace

long PackFiles(const std::wstring& archiveName, const std::wstring& list,
               const std::string& password, EntryEncryption encryption, int level,
               ProgressSink* progress) {
    // The list, its appended tab and the terminator must fit the list buffer.
    if (list.size() + 2 > kFileListCapacity) return kResultFileNamesError;
    const FileList fileList = SplitFileList(list);
    return PackList(archiveName, fileList.pairs, fileList.endsWithLoneName, password, encryption,
                    level, progress);
}

long PackPairs(const std::wstring& archiveName, const std::vector<FileListPair>& pairs,
               const std::string& password, EntryEncryption encryption, int level,
               ProgressSink* progress) {
    return PackList(archiveName, pairs, false, password, encryption, level, progress);
}

namespace {

// The number VELMOR_PACK_THREADS asks for, or 0 when it is not set to one from 1 to 8.
unsigned ThreadsAskedFor() {
    wchar_t value[8] = {};
    const DWORD length = GetEnvironmentVariableW(L"VELMOR_PACK_THREADS", value, 8);
    if (length > 0 && length < 8) {
        const unsigned long wanted = std::wcstoul(value, nullptr, 10);
        if (wanted >= 1 && wanted <= kMaxPackThreads) return static_cast<unsigned>(wanted);
    }
    return 0;
}

}  // namespace

unsigned PackThreads() {
#ifdef VELMOR_PACK_SINGLE_THREAD
    return 1;
#else
    if (const unsigned asked = ThreadsAskedFor()) return asked;
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : std::min(processors, kMaxPackThreads);
#endif
}

unsigned ReadThreads(uint64_t dataBytes) {
#ifndef VELMOR_PACK_SINGLE_THREAD
    if (ThreadsAskedFor() == 0 && dataBytes < kThreadedReadMinimum) return 1;
#endif
    return PackThreads();
}

}  // namespace velmor::zip
