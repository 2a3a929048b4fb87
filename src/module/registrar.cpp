#include "module/registrar.h"

#include "module/com_call.h"

namespace velmor {
namespace {

std::wstring Join(const std::wstring& parent, const std::wstring& name) {
    return parent.empty() ? name : parent + L"\\" + name;
}

LONG WriteKey(RegistryBackend& registry, const std::wstring& parent, const RegKeyNode& node) {
    const std::wstring path = Join(parent, node.name);
    LONG rc = ERROR_SUCCESS;
    if (node.replaceOnRegister) {
        rc = registry.DeleteTree(path);
        if (rc != ERROR_SUCCESS) return rc;
    }
    rc = registry.CreateKey(path);
    if (rc != ERROR_SUCCESS) return rc;
    if (node.defaultValue) {
        rc = registry.SetValue(path, L"", *node.defaultValue);
        if (rc != ERROR_SUCCESS) return rc;
    }
    for (const RegNamedValue& value : node.values) {
        rc = registry.SetValue(path, value.name, value.data);
        if (rc != ERROR_SUCCESS) return rc;
    }
    for (const RegKeyNode& child : node.children) {
        rc = WriteKey(registry, path, child);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

LONG RemoveKey(RegistryBackend& registry, const std::wstring& parent, const RegKeyNode& node) {
    const std::wstring path = Join(parent, node.name);
    for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
        LONG rc = RemoveKey(registry, path, *child);
        if (rc != ERROR_SUCCESS) return rc;
    }
    for (const RegNamedValue& value : node.values) {
        LONG rc = registry.DeleteValue(path, value.name);
        if (rc != ERROR_SUCCESS) return rc;
    }
    if (node.neverRemove) return ERROR_SUCCESS;
    return registry.RemoveKeyIfLeaf(path) == KeyRemoval::Failed ? ERROR_ACCESS_DENIED
                                                                : ERROR_SUCCESS;
}

}  // namespace

HRESULT RegisterScript(RegistryBackend& registry, const RegScript& script) noexcept {
    return HresultCall([&] {
        for (const RegKeyNode& key : script.keys) {
            LONG rc = WriteKey(registry, L"", key);
            if (rc != ERROR_SUCCESS) {
                UnregisterScript(registry, script);
                return HRESULT_FROM_WIN32(rc);
            }
        }
        return S_OK;
    });
}

HRESULT UnregisterScript(RegistryBackend& registry, const RegScript& script) noexcept {
    return HresultCall([&] {
        for (auto key = script.keys.rbegin(); key != script.keys.rend(); ++key) {
            LONG rc = RemoveKey(registry, L"", *key);
            if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
        }
        return S_OK;
    });
}

}  // namespace velmor
