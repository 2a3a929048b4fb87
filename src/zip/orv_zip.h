// OrvZip: packs files into a ZIP archive and unpacks one, optionally with a password; lists,
// tests and updates archives in place.
#pragma once
#include <array>
#include <string>

#include "VelmorCOM_h.h"
#include "module/event_component.h"
#include "zip/write/deflater.h"
#include "zip/write/entry_encryption.h"

namespace velmor {

class COrvZip : public EventComponent<IOrvZip3, &IID_IOrvZip3, &CLSID_OrvZip, &DIID__IOrvZipEvents,
                                      &IID_IOrvZip2, &IID_IOrvZip> {
public:
    // The password buffer: ANSI code page bytes with their terminator; all zero = none.
    static constexpr size_t kPasswordCapacity = 128;

    STDMETHODIMP SetPassword(BSTR password) override;
    STDMETHODIMP Pack(BSTR archiveName, BSTR files, long* result) override;
    STDMETHODIMP Unpack(BSTR archiveName, BSTR extractPath, long* result) override;
    STDMETHODIMP ErrDescription(long ErrCode, BSTR* result) override;

    STDMETHODIMP List(BSTR archiveName, BSTR* entries) override;
    STDMETHODIMP Test(BSTR archiveName, long* result) override;
    STDMETHODIMP UnpackFiles(BSTR archiveName, BSTR names, BSTR extractPath, long* result) override;
    STDMETHODIMP Add(BSTR archiveName, BSTR files, long* result) override;
    STDMETHODIMP Remove(BSTR archiveName, BSTR names, long* result) override;
    STDMETHODIMP get_Encryption(long* value) override;
    STDMETHODIMP put_Encryption(long value) override;
    STDMETHODIMP get_LastResult(long* value) override;
    STDMETHODIMP put_OnProgress(VARIANT handler) override;
    STDMETHODIMP putref_OnProgress(IDispatch* handler) override;

    STDMETHODIMP AddFolder(BSTR archiveName, BSTR folder, BSTR entryFolder, BSTR masks, long flags,
                           long* result) override;
    STDMETHODIMP get_CompressionLevel(long* value) override;
    STDMETHODIMP put_CompressionLevel(long value) override;

private:
    // The password as the engine takes it: the buffer's bytes up to the terminator.
    std::string EnginePassword() const;
    // Runs a method's work, keeps its result as LastResult and hands it out. A call made
    // from inside the object's own event handler gives kResultGeneralError at once.
    template <class Body>
    HRESULT Run(long* result, long failure, Body&& body);
    // Run for a long call: body(ProgressSink*) reports through the object's events.
    template <class Body>
    HRESULT RunWithEvents(long* result, long failure, Body&& body);

    std::array<char, kPasswordCapacity> password_{};
    // The last SetPassword was given a password longer than the buffer; it is not used
    // cut short: every call that would use it refuses to run until a password that fits is set.
    bool passwordTooLong_ = false;
    zip::EntryEncryption encryption_ = zip::EntryEncryption::Traditional;
    long level_ = zip::kDeflateLevel;  // of new entries
    long lastResult_ = 0;
};

}  // namespace velmor
