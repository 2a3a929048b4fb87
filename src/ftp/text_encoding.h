// UTF-16 text and the bytes that travel to an FTP server: UTF-8 or the ANSI
// code page, over the platform's conversions.
#pragma once

#include <windows.h>

#include <string>

namespace velmor::ftp {

// Characters the code page lacks become its default character, as WinINet
// sends them.
std::string EncodeText(UINT codePage, const std::wstring& text);
// Bytes the code page cannot read become U+FFFD (UTF-8) or its own stand-in.
std::wstring DecodeText(UINT codePage, const std::string& bytes);

}  // namespace velmor::ftp
