// Registration data as plain tables: the keys and values one class writes below the classes root.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace velmor {

struct RegNamedValue {
    std::wstring name;
    std::wstring data;
};

struct RegKeyNode {
    std::wstring name;
    std::optional<std::wstring> defaultValue;
    std::vector<RegNamedValue> values;
    // Deleted with everything below it before it is written.
    bool replaceOnRegister = false;
    // Left in place on unregistration (shared keys such as CLSID).
    bool neverRemove = false;
    std::vector<RegKeyNode> children;
};

// One script: its top-level keys all live below the classes root.
struct RegScript {
    std::vector<RegKeyNode> keys;
};

struct ClassInfo;

// The entries of one class, in the order they are written. `modulePath` fills InprocServer32.
RegScript BuildClassScript(const ClassInfo& info, const std::wstring& modulePath);

}  // namespace velmor
