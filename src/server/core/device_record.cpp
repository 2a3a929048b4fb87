#include "server/core/device_record.h"

#include <algorithm>

namespace velmor::server {

void CopyName64(wchar_t (&field)[kNameUnits], const std::wstring& text) {
    const std::size_t n = std::min(text.size(), kNameUnits);
    std::fill(std::begin(field), std::end(field), L'\0');
    std::copy_n(text.data(), n, field);
    field[kNameUnits - 1] = L'\0';
}

}  // namespace velmor::server
