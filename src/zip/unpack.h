// Unpacking a whole archive into a folder: the engine side of OrvZip.Unpack.
#pragma once

#include <string>

namespace velmor::zip {

// Result codes handed back to the component.
constexpr long kUnpackOk = 0;
constexpr long kUnpackOpenFailed = 54;
constexpr long kUnpackBadPassword = 55;
constexpr long kUnpackGeneralError = 100;

// Fixed fields the arguments must fit: paths of at most 259 UTF-16 units and a password
// of at most 127 bytes.
constexpr size_t kMaxUnpackPathLength = 259;
constexpr size_t kMaxPasswordBytes = 127;

// Makes extractPath the process's current directory (and leaves it there; when that
// fails the current directory stays as it was), opens archiveName (a relative name
// resolves against the new current directory) and extracts every entry in central
// directory order, stopping at the first failure. password holds ANSI bytes; empty
// means none.
// Returns 0; 54 when the archive cannot be opened or an argument does not fit its field
// (nothing is extracted then, and an extraction folder that does not fit does not become
// current); 55 when an entry failed the password check; 100 for any other failure.
// Entries extracted before a failure stay.
long UnpackArchive(const std::wstring& archiveName, const std::wstring& extractPath,
                   const std::string& password);

}  // namespace velmor::zip
