#include "zip/pack.h"

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

long PackFiles(const std::wstring& archiveName, const std::wstring& list, const std::string& password) {
    // The list, its appended tab and the terminator must fit the list buffer.
    if (list.size() + 2 > kFileListCapacity) return kResultFileNamesError;
    const FileList fileList = SplitFileList(list);

    long result = kResultOk;
    std::unique_ptr<ArchiveWriter> writer;
    for (const FileListPair& pair : fileList.pairs) {
        if (!writer) {
            if (archiveName.size() > kMaxArchiveNameLength) return kResultPackError;
            writer = ArchiveWriter::Create(archiveName, password);
            if (!writer) return kResultPackError;
        }
        if (writer->AddEntry(pair.entryName, pair.sourcePath) != ArchiveStatus::Ok) {
            result = kResultAddError;
            break;
        }
    }
    if (result == kResultOk && fileList.endsWithLoneName) result = kResultFileNamesError;
    if (writer && writer->Finish() != ArchiveStatus::Ok) result = kResultCloseError;
    return result;
}

}  // namespace velmor::zip
