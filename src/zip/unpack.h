// Unpacking a whole archive into a folder: the engine side of OrvZip.Unpack.
#pragma once

#include <string>

namespace velmor {
namespace zip {

// Result codes handed back to the component.
constexpr long kUnpackOk = 0;
constexpr long kUnpackOpenFailed = 54;
constexpr long kUnpackBadPassword = 55;
constexpr long kUnpackGeneralError = 100;

// Makes extractPath the process's current directory (and leaves it there),
// opens archiveName (relative names resolve against the new current
// directory) and extracts every entry in central-directory order, stopping
// at the first failure. password holds ANSI bytes; empty means none.
// Returns 0, 54 (archive cannot be opened, or an argument does not fit its
// field), 55 (an entry failed the password check) or 100 (any other failure;
// entries extracted before it stay).
long UnpackArchive(const std::wstring& archiveName, const std::wstring& extractPath,
                   const std::string& password);

}  // namespace zip
}  // namespace velmor
