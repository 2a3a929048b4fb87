#include "zip/orv_zip.h"

#include <algorithm>

#include "module/bstr_util.h"
#include "module/com_call.h"
#include "module/result_codes.h"
#include "zip/pack.h"
#include "zip/unpack.h"

namespace velmor {

std::string COrvZip::EnginePassword() const {
    const auto end = std::find(password_.begin(), password_.end(), '\0');
    return std::string(password_.begin(), end);
}

STDMETHODIMP COrvZip::SetPassword(BSTR password) {
    return HresultCall([&] {
        password_.fill('\0');
        passwordTooLong_ = false;
        const std::wstring text = BstrToWString(password);
        if (text.empty()) return S_OK;
        // Bytes needed, terminator included; a password that does not fit is not cut.
        const int needed =
            WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
        if (needed <= 0 || static_cast<size_t>(needed) > kPasswordCapacity) {
            passwordTooLong_ = true;
            return S_OK;
        }
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, password_.data(),
                            static_cast<int>(kPasswordCapacity), nullptr, nullptr);
        return S_OK;
    });
}

STDMETHODIMP COrvZip::Pack(BSTR archiveName, BSTR files, long* result) {
    return ResultCall(result, static_cast<long>(kResultPackError), [&]() -> long {
        // The archive cannot be created with a password that does not fit.
        if (passwordTooLong_) return kResultPackError;
        return zip::PackFiles(BstrToWString(archiveName), BstrToWString(files), EnginePassword());
    });
}

STDMETHODIMP COrvZip::Unpack(BSTR archiveName, BSTR extractPath, long* result) {
    return ResultCall(result, static_cast<long>(kResultOpenArchiveError), [&]() -> long {
        const std::wstring folder = BstrToWString(extractPath);
        if (passwordTooLong_) {
            // The folder still becomes current, as for any archive that cannot be opened.
            zip::EnterExtractFolder(folder);
            return kResultOpenArchiveError;
        }
        return zip::UnpackArchive(BstrToWString(archiveName), folder, EnginePassword());
    });
}

STDMETHODIMP COrvZip::ErrDescription(long ErrCode, BSTR* result) {
    return SharedErrDescription(ErrCode, result);
}

}  // namespace velmor
