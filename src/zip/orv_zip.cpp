#include "zip/orv_zip.h"

#include <algorithm>

#include "module/bstr_util.h"
#include "module/com_call.h"
#include "module/result_codes.h"
#include "zip/archive_listing.h"
#include "zip/archive_update.h"
#include "zip/folder_add.h"
#include "zip/pack.h"
#include "zip/unpack.h"

namespace velmor {

std::string COrvZip::EnginePassword() const {
    const auto end = std::find(password_.begin(), password_.end(), '\0');
    return std::string(password_.begin(), end);
}

template <class Body>
HRESULT COrvZip::Run(long* result, long failure, Body&& body) {
    if (!result) return E_POINTER;
    long outcome = failure;
    const HRESULT hr = events().busy() ? (outcome = kResultGeneralError, S_OK)
                                       : ResultCall(&outcome, failure, body);
    lastResult_ = outcome;
    *result = outcome;
    return hr;
}

template <class Body>
HRESULT COrvZip::RunWithEvents(long* result, long failure, Body&& body) {
    return Run(result, failure, [&]() -> long {
        ProgressEvents progress(events());
        return body(&progress);
    });
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
    return RunWithEvents(result, kResultPackError, [&](ProgressSink* progress) -> long {
        // The archive cannot be created with a password that does not fit.
        if (passwordTooLong_) return kResultPackError;
        return zip::PackFiles(BstrToWString(archiveName), BstrToWString(files), EnginePassword(),
                              encryption_, level_, progress);
    });
}

STDMETHODIMP COrvZip::Unpack(BSTR archiveName, BSTR extractPath, long* result) {
    return RunWithEvents(result, kResultOpenArchiveError, [&](ProgressSink* progress) -> long {
        const std::wstring folder = BstrToWString(extractPath);
        if (passwordTooLong_) {
            // The folder still becomes current, as for any archive that cannot be opened.
            zip::EnterExtractFolder(folder);
            return kResultOpenArchiveError;
        }
        return zip::UnpackArchive(BstrToWString(archiveName), folder, EnginePassword(), progress);
    });
}

STDMETHODIMP COrvZip::ErrDescription(long ErrCode, BSTR* result) {
    return SharedErrDescription(ErrCode, result);
}

STDMETHODIMP COrvZip::List(BSTR archiveName, BSTR* entries) {
    if (!entries) return E_POINTER;
    *entries = nullptr;
    std::wstring text;
    long outcome = kResultGeneralError;
    if (!events().busy()) {
        ResultCall(&outcome, static_cast<long>(kResultOpenArchiveError),
                   [&]() -> long { return zip::ListArchive(BstrToWString(archiveName), &text); });
    }
    lastResult_ = outcome;
    if (outcome != kResultOk) text.clear();
    return QuietTextCall(entries, [&] { return text; });
}

STDMETHODIMP COrvZip::Test(BSTR archiveName, long* result) {
    return RunWithEvents(result, kResultOpenArchiveError, [&](ProgressSink* progress) -> long {
        if (passwordTooLong_) return kResultOpenArchiveError;
        return zip::TestArchive(BstrToWString(archiveName), EnginePassword(), progress);
    });
}

STDMETHODIMP COrvZip::UnpackFiles(BSTR archiveName, BSTR names, BSTR extractPath, long* result) {
    return RunWithEvents(result, kResultOpenArchiveError, [&](ProgressSink* progress) -> long {
        if (passwordTooLong_) return kResultOpenArchiveError;
        return zip::UnpackFiles(BstrToWString(archiveName), BstrToWString(names),
                                BstrToWString(extractPath), EnginePassword(), progress);
    });
}

STDMETHODIMP COrvZip::Add(BSTR archiveName, BSTR files, long* result) {
    return RunWithEvents(result, kResultPackError, [&](ProgressSink* progress) -> long {
        if (passwordTooLong_) return kResultPackError;
        return zip::AddFiles(BstrToWString(archiveName), BstrToWString(files), EnginePassword(),
                             encryption_, level_, progress);
    });
}

STDMETHODIMP COrvZip::Remove(BSTR archiveName, BSTR names, long* result) {
    return RunWithEvents(result, kResultPackError, [&](ProgressSink* progress) -> long {
        return zip::RemoveEntries(BstrToWString(archiveName), BstrToWString(names), progress);
    });
}

STDMETHODIMP COrvZip::get_Encryption(long* value) {
    if (!value) return E_POINTER;
    *value = static_cast<long>(encryption_);
    return S_OK;
}

STDMETHODIMP COrvZip::put_Encryption(long value) {
    if (value != static_cast<long>(zip::EntryEncryption::Traditional) &&
        value != static_cast<long>(zip::EntryEncryption::Aes256)) {
        return E_INVALIDARG;
    }
    encryption_ = static_cast<zip::EntryEncryption>(value);
    return S_OK;
}

STDMETHODIMP COrvZip::get_LastResult(long* value) {
    if (!value) return E_POINTER;
    *value = lastResult_;
    return S_OK;
}

STDMETHODIMP COrvZip::put_OnProgress(VARIANT handler) { return events().PutHandler(handler); }

STDMETHODIMP COrvZip::putref_OnProgress(IDispatch* handler) {
    return events().PutHandlerRef(handler);
}

STDMETHODIMP COrvZip::AddFolder(BSTR archiveName, BSTR folder, BSTR entryFolder, BSTR masks,
                                long flags, long* result) {
    if (!result) return E_POINTER;
    zip::FolderRequest request;
    if ((flags & ~zip::kFolderFlagsKnown) != 0 ||
        !zip::NormalizeEntryFolder(BstrToWString(entryFolder), &request.entryFolder)) {
        return E_INVALIDARG;
    }
    request.archiveName = BstrToWString(archiveName);
    request.folder = BstrToWString(folder);
    request.masks = BstrToWString(masks);
    request.flags = flags;
    return RunWithEvents(result, kResultPackError, [&](ProgressSink* progress) -> long {
        if (passwordTooLong_) return kResultPackError;
        return zip::AddFolder(request, EnginePassword(), encryption_, level_, progress);
    });
}

STDMETHODIMP COrvZip::get_CompressionLevel(long* value) {
    if (!value) return E_POINTER;
    *value = level_;
    return S_OK;
}

STDMETHODIMP COrvZip::put_CompressionLevel(long value) {
    if (value < zip::kStoreLevel || value > zip::kMaxDeflateLevel) return E_INVALIDARG;
    level_ = value;
    return S_OK;
}

}  // namespace velmor
