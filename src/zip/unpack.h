// Unpacking a whole archive into a folder: the engine side of OrvZip.Unpack.
#pragma once

#include <string>

#include "base/progress_sink.h"
#include "base/result_code.h"

namespace velmor::zip {

// Fixed fields the arguments must fit: paths of at most 259 UTF-16 units and a password
// of at most 127 bytes.
constexpr size_t kMaxUnpackPathLength = 259;
constexpr size_t kMaxPasswordBytes = 127;

// Makes path the process's current directory, creating it and its missing parents when
// it does not exist. An empty path means the current directory as it is. False when the
// folder cannot be entered (or does not fit its field): the current directory is then
// unchanged.
bool EnterExtractFolder(const std::wstring& path);

// Enters extractPath (EnterExtractFolder) and leaves it current, opens archiveName (a
// relative name resolves against the new current directory) and extracts every entry in
// central directory order, stopping at the first failure. password holds ANSI bytes;
// empty means none.
// Returns kResultOk; kResultOpenArchiveError when the folder cannot be entered, the archive
// cannot be opened or an argument does not fit its field (nothing is extracted then);
// kResultWrongPassword when an entry failed the password check; kResultCancelled when the
// progress sink stopped the call; kResultGeneralError for any other failure. Entries
// extracted before a failure stay; the file of an entry being written when the call was
// stopped is removed.
//
// progress, when given, hears of the uncompressed bytes done out of those of the whole call,
// on the calling thread: at the start, after every piece, and at the end of a call that
// completes. This holds for TestArchive and UnpackFiles too.
long UnpackArchive(const std::wstring& archiveName, const std::wstring& extractPath,
                   const std::string& password, ProgressSink* progress = nullptr);

// Reads every entry as UnpackArchive would (names, CRC-32, authentication codes, the
// password) and writes nothing; the code UnpackArchive would give for the archive, with the
// current directory as the extraction folder. The current directory stays as it is.
long TestArchive(const std::wstring& archiveName, const std::string& password,
                 ProgressSink* progress = nullptr);

// Extracts the entries that `names` picks (EntrySelection) below extractPath, which is made
// when missing, under UnpackArchive's rules. kResultValueNotFound, before anything is made,
// when a name picks no entry (or the list names none). A relative archiveName resolves
// against the current directory, which stays as it is.
long UnpackFiles(const std::wstring& archiveName, const std::wstring& names,
                 const std::wstring& extractPath, const std::string& password,
                 ProgressSink* progress = nullptr);

}  // namespace velmor::zip
