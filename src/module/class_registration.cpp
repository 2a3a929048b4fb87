#include <windows.h>

#include "module/class_info.h"
#include "module/module.h"
#include "module/registry_script.h"

namespace velmor {
namespace {

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

RegKeyNode Key(std::wstring name, std::optional<std::wstring> value = std::nullopt) {
    RegKeyNode node;
    node.name = std::move(name);
    node.defaultValue = std::move(value);
    return node;
}

}  // namespace

RegScript BuildClassScript(const ClassInfo& info, const std::wstring& modulePath) {
    const std::wstring clsid = GuidText(*info.clsid);

    RegKeyNode progId = Key(info.progId, info.displayName);
    progId.children.push_back(Key(L"CLSID", clsid));

    RegKeyNode viProgId = Key(info.viProgId, info.displayName);
    viProgId.children.push_back(Key(L"CurVer", info.progId));

    RegKeyNode classKey = Key(clsid, info.displayName);
    classKey.replaceOnRegister = true;
    classKey.children.push_back(Key(L"ProgID", info.progId));
    classKey.children.push_back(Key(L"VersionIndependentProgID", info.viProgId));
    RegKeyNode programmable = Key(L"Programmable");
    programmable.replaceOnRegister = true;
    classKey.children.push_back(programmable);
    RegKeyNode inproc = Key(L"InprocServer32", modulePath);
    inproc.values.push_back({L"ThreadingModel", L"Apartment"});
    classKey.children.push_back(inproc);
    classKey.children.push_back(Key(L"TypeLib", L"{566BF9D7-C55A-45F8-91A6-E55E9B9B1325}"));
    classKey.children.push_back(Key(L"Version", kLibVersionText));

    RegKeyNode clsidRoot = Key(L"CLSID");
    clsidRoot.neverRemove = true;
    clsidRoot.children.push_back(classKey);

    RegScript script;
    script.keys.push_back(progId);
    script.keys.push_back(viProgId);
    script.keys.push_back(clsidRoot);
    return script;
}

}  // namespace velmor
