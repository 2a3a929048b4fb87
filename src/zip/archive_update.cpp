#include "zip/archive_update.h"

namespace velmor::zip {

long AddFiles(const std::wstring&, const std::wstring&, const std::string&, EntryEncryption) {
    return kResultGeneralError;
}

long RemoveEntries(const std::wstring&, const std::wstring&) { return kResultGeneralError; }

}  // namespace velmor::zip
