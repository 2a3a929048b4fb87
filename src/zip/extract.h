// Extracting one entry below the reader's root folder.
#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

#include "base/win/handle_traits.h"
#include "zip/archive_status.h"
#include "zip/progress_tally.h"
#include "zip/reader.h"

namespace velmor::zip {

// Writes entry index to root folder + targetName (or makes the folders of a directory
// entry: one with the directory attribute, or whose name ends in a separator). Ok, BadArgument, Corrupt, ReadFailed, NoFile, BadPassword, FlateFailed or
// WriteFailed. A target name that would lead outside the root, or a joined path that is
// too long, is refused with NoFile before anything is created. An entry whose data ends
// early or whose CRC-32 differs is FlateFailed; its partial file stays, without the
// entry's times.
// With a tally, each piece written is counted; a call stopped there ends the entry with
// Cancelled, and its partial file is removed.
ArchiveStatus ExtractEntry(ArchiveReader& reader, int32_t index, const std::wstring& targetName,
                           ProgressTally* tally = nullptr);

// Everything ExtractEntry checks and reads, with nothing written: the same name checks, the
// data read to its end through decryption and inflation, the CRC-32 and the authentication
// code. The status ExtractEntry would give, short of what only the disk can refuse.
ArchiveStatus TestEntry(ArchiveReader& reader, int32_t index, const std::wstring& targetName,
                        ProgressTally* tally = nullptr);

// The steps of ExtractEntry, for a caller that reads the data elsewhere.

// The checks every entry passes before anything of it is made (index, description, a name
// that stays inside the root, the joined path's length); Ok or the refusal.
ArchiveStatus CheckEntry(ArchiveReader& reader, int32_t index, const std::wstring& targetName,
                         ArchiveEntry* entry);
bool IsFolderEntry(const ArchiveEntry& entry, const std::wstring& targetName);
// Checks and describes the entry, makes its folders and, for a file entry, creates its file
// with its attributes into *file (left invalid for a folder entry). Ok, or the refusal.
ArchiveStatus BeginEntryFile(ArchiveReader& reader, int32_t index, const std::wstring& targetName,
                             ArchiveEntry* entry, ScopedFileHandle* file);
// Writes the whole block at the end of the file.
bool WriteAll(HANDLE file, const uint8_t* data, uint32_t size);
// Ends the file of an entry with its status: the entry's times on Ok; closed; removed when
// the call was stopped (Cancelled). Nothing when no file is open.
void EndEntryFile(ScopedFileHandle& file, const std::wstring& path, const ArchiveEntry& entry,
                  ArchiveStatus status);

}  // namespace velmor::zip
