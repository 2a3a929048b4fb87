// The process-wide module object: what keeps the library loaded, and the shared lock and clean-ups.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <vector>

#include "base/win/critical_section.h"
#include "base/win/module_instance.h"

namespace velmor {

// {566BF9D7-C55A-45F8-91A6-E55E9B9B1325}, version 1.2
extern const GUID kLibId;
constexpr WORD kLibMajor = 1;
constexpr WORD kLibMinor = 2;
// The version as the registry spells it.
constexpr wchar_t kLibVersionText[] = L"1.2";
constexpr LCID kLibLocale = 0x0409;
extern const wchar_t kAppId[];

class CVelmorCOMModule {
public:
    using TermFunc = void (*)(void* data);

    CVelmorCOMModule();
    virtual ~CVelmorCOMModule();
    CVelmorCOMModule(const CVelmorCOMModule&) = delete;
    CVelmorCOMModule& operator=(const CVelmorCOMModule&) = delete;

    virtual LONG Lock() noexcept;
    virtual LONG Unlock() noexcept;
    virtual LONG LockCount() const noexcept;
    // The process's global interface table, created on first use; returned with an added reference.
    virtual HRESULT GlobalInterfaceTable(IGlobalInterfaceTable** out) noexcept;

    bool initialised() const noexcept { return cs_.ok(); }
    // Guards one-time creation of shared data such as cached type information.
    CriticalSection& sharedDataLock() noexcept { return cs_; }
    // Registers a clean-up that runs when the module ends (cached type information); false when
    // there is no memory to record it.
    bool AddTermFunc(TermFunc f, void* data) noexcept;
    // Runs the clean-ups and releases the global interface table.
    void Term() noexcept;

private:
    volatile LONG lockCount_ = 0;
    CriticalSection cs_;
    struct Term_ {
        TermFunc f;
        void* data;
    };
    std::vector<Term_> terms_;
    IGlobalInterfaceTable* git_ = nullptr;
};

CVelmorCOMModule& Module() noexcept;

// Keeps the module locked for the holder's lifetime.
class ModuleLock {
public:
    ModuleLock() noexcept { Module().Lock(); }
    ~ModuleLock() { Module().Unlock(); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
};

}  // namespace velmor
