// Letter case as Windows compares file names: the file system's upper-case mapping, one
// UTF-16 unit at a time, the same in every locale.
#pragma once

#include <string>

namespace velmor::zip {

std::wstring FoldNameCase(const std::wstring& text);

}  // namespace velmor::zip
