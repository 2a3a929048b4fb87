#include "ftp/text_encoding.h"

namespace velmor::ftp {

std::string EncodeText(UINT codePage, const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string bytes(size, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, &bytes[0], size, nullptr, nullptr);
    return bytes;
}

std::wstring DecodeText(UINT codePage, const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    const int length = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring text(size, L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, &text[0], size);
    return text;
}

}  // namespace velmor::ftp
