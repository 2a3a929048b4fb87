// The registry operations that registration needs, on paths below one root key.
#pragma once
#include <windows.h>

#include <string>

namespace velmor {

enum class KeyRemoval { Removed, HasSubkeys, Missing, Failed };

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    // Creates (or opens) the key and every missing parent.
    virtual LONG CreateKey(const std::wstring& path) = 0;
    // Sets a string value; an empty name is the key's default value.
    virtual LONG SetValue(const std::wstring& path, const std::wstring& name,
                          const std::wstring& data) = 0;
    // Deletes the key with everything below it; a missing key is not an error.
    virtual LONG DeleteTree(const std::wstring& path) = 0;
    virtual LONG DeleteValue(const std::wstring& path, const std::wstring& name) = 0;
    // Deletes the key only when it has no subkeys.
    virtual KeyRemoval RemoveKeyIfLeaf(const std::wstring& path) = 0;
};

// The real registry: paths below `root` + `prefix` (prefix empty or ending without "\").
class Win32RegistryBackend final : public RegistryBackend {
public:
    Win32RegistryBackend(HKEY root, std::wstring prefix);
    LONG CreateKey(const std::wstring& path) override;
    LONG SetValue(const std::wstring& path, const std::wstring& name,
                  const std::wstring& data) override;
    LONG DeleteTree(const std::wstring& path) override;
    LONG DeleteValue(const std::wstring& path, const std::wstring& name) override;
    KeyRemoval RemoveKeyIfLeaf(const std::wstring& path) override;

private:
    std::wstring Full(const std::wstring& path) const;
    HKEY root_;
    std::wstring prefix_;
};

}  // namespace velmor
