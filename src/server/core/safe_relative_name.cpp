#include "server/core/safe_relative_name.h"

namespace velmor::server {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A component made only of dots and blanks with two or more dots is read by
// Windows path normalisation as a step up (trailing dots and blanks are
// dropped), so it is refused as a whole.
bool ClimbsUp(const std::wstring& component) {
    int dots = 0;
    for (wchar_t c : component) {
        if (c == L'.') {
            ++dots;
        } else if (c != L' ') {
            return false;
        }
    }
    return dots >= 2;
}

}  // namespace

bool IsSafeRelativeName(const std::wstring& name) {
    if (name.empty()) return true;
    if (IsSeparator(name.front())) return false;
    std::wstring component;
    for (wchar_t c : name) {
        if (c == L':' || c < 0x20) return false;
        if (IsSeparator(c)) {
            if (ClimbsUp(component)) return false;
            component.clear();
        } else {
            component.push_back(c);
        }
    }
    return !ClimbsUp(component);
}

}  // namespace velmor::server
