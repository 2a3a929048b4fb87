// OrvZip: packs files into a ZIP archive and unpacks one, optionally with a password.
#pragma once
#include <array>
#include <string>

#include "VelmorCOM_h.h"
#include "module/dispatch_component.h"

namespace velmor {

class COrvZip : public DispatchComponent<IOrvZip, &IID_IOrvZip> {
public:
    // The password buffer: ANSI code page bytes with their terminator; all zero = none.
    static constexpr size_t kPasswordCapacity = 128;

    STDMETHODIMP SetPassword(BSTR password) override;
    STDMETHODIMP Pack(BSTR archiveName, BSTR files, long* result) override;
    STDMETHODIMP Unpack(BSTR archiveName, BSTR extractPath, long* result) override;
    STDMETHODIMP ErrDescription(long ErrCode, BSTR* result) override;

private:
    // The password as the engine takes it: the buffer's bytes up to the terminator.
    std::string EnginePassword() const;

    std::array<char, kPasswordCapacity> password_{};
    // The last SetPassword was given a password longer than the buffer; it is not used
    // cut short: Pack and Unpack refuse to run until a password that fits is set.
    bool passwordTooLong_ = false;
};

}  // namespace velmor
