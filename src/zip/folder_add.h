// Adding a whole folder by masks: the engine side of OrvZip.AddFolder.
#pragma once

#include <string>

#include "base/progress_sink.h"
#include "base/result_code.h"
#include "zip/write/entry_encryption.h"

namespace velmor::zip {

// The flags, as the type library's VelmorFolderFlags has them.
constexpr long kFolderRecurse = 1;     // subfolders too; each empty one a folder entry
constexpr long kFolderSkipHidden = 2;  // hidden and system files and folders left out
constexpr long kFolderNewArchive = 4;  // the archive written anew rather than updated
constexpr long kFolderFlagsKnown = kFolderRecurse | kFolderSkipHidden | kFolderNewArchive;

// The entry folder as entries are named under it: "/" for "\", no leading or trailing
// separator. False for a name that is not a relative folder (a drive, "." or "..").
bool NormalizeEntryFolder(const std::wstring& entryFolder, std::wstring* normalized);

struct FolderRequest {
    std::wstring archiveName;
    std::wstring folder;
    std::wstring entryFolder;  // as NormalizeEntryFolder gives it
    std::wstring masks;        // FolderMasks
    long flags = 0;            // kFolder*
};

// Adds the files of request.folder that the masks pick, under the entry folder, as AddPairs
// adds them (or as PackPairs writes them with kFolderNewArchive). kResultAddError when the
// folder does not exist or cannot be walked; kResultFileNamesError, with the archive as it
// was, when nothing is picked; otherwise AddPairs' and PackPairs' codes.
long AddFolder(const FolderRequest& request, const std::string& password,
               EntryEncryption encryption, int level, ProgressSink* progress = nullptr);

}  // namespace velmor::zip
