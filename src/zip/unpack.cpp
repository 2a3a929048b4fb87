#include "zip/unpack.h"

namespace velmor {
namespace zip {

long UnpackArchive(const std::wstring& archiveName, const std::wstring& extractPath,
                   const std::string& password) {
  (void)archiveName;
  (void)extractPath;
  (void)password;
  return kUnpackOpenFailed;
}

}  // namespace zip
}  // namespace velmor
