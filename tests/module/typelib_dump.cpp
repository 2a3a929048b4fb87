// typelib_dump FILE: the type library of FILE (a DLL's TYPELIB resource or a .tlb) as text, one
// line per type, member and parameter, without what depends on the bitness (v-table offsets,
// sizes): two builds of one library must print the same lines but for the first, "syskind N".
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

namespace {

template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

std::string Narrow(const wchar_t* text) {
    if (!text) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    return out;
}

std::string Guid(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return Narrow(text);
}

std::string Name(ITypeInfo* info, MEMBERID id) {
    BSTR name = nullptr;
    if (FAILED(info->GetDocumentation(id, &name, nullptr, nullptr, nullptr))) return "?";
    std::string out = Narrow(name);
    SysFreeString(name);
    return out;
}

// A type as its VARTYPE, pointers and user-defined types spelled out.
std::string Type(ITypeInfo* info, const TYPEDESC& type) {
    if (type.vt == VT_PTR) return "ptr(" + Type(info, *type.lptdesc) + ")";
    if (type.vt == VT_SAFEARRAY) return "safearray(" + Type(info, *type.lptdesc) + ")";
    if (type.vt == VT_USERDEFINED) {
        Released<ITypeInfo> ref;
        if (FAILED(info->GetRefTypeInfo(type.hreftype, &ref.p))) return "udt(?)";
        return "udt(" + Name(ref.p, MEMBERID_NIL) + ")";
    }
    return std::to_string(type.vt);
}

void DumpFunctions(ITypeInfo* info, const TYPEATTR& attr) {
    for (UINT i = 0; i < attr.cFuncs; ++i) {
        FUNCDESC* func = nullptr;
        if (FAILED(info->GetFuncDesc(i, &func))) {
            std::printf("  func %u ?\n", i);
            continue;
        }
        BSTR names[64] = {};
        UINT count = 0;
        info->GetNames(func->memid, names, 64, &count);
        std::printf("  func id=%ld invkind=%d kind=%d callconv=%d flags=%u params=%d opt=%d ret=%s",
                    static_cast<long>(func->memid), func->invkind, func->funckind, func->callconv,
                    func->wFuncFlags, func->cParams, func->cParamsOpt,
                    Type(info, func->elemdescFunc.tdesc).c_str());
        for (UINT n = 0; n < count; ++n) {
            std::printf(" %s", Narrow(names[n]).c_str());
            SysFreeString(names[n]);
        }
        std::printf("\n");
        for (SHORT p = 0; p < func->cParams; ++p) {
            const ELEMDESC& param = func->lprgelemdescParam[p];
            std::printf("    param %s flags=%u\n", Type(info, param.tdesc).c_str(),
                        param.paramdesc.wParamFlags);
        }
        info->ReleaseFuncDesc(func);
    }
}

void DumpVariables(ITypeInfo* info, const TYPEATTR& attr) {
    for (UINT i = 0; i < attr.cVars; ++i) {
        VARDESC* var = nullptr;
        if (FAILED(info->GetVarDesc(i, &var))) {
            std::printf("  var %u ?\n", i);
            continue;
        }
        long value = 0;
        if (var->varkind == VAR_CONST && var->lpvarValue) {
            VARIANT copy;
            VariantInit(&copy);
            if (SUCCEEDED(VariantChangeType(&copy, var->lpvarValue, 0, VT_I4))) value = copy.lVal;
        }
        std::printf("  var id=%ld %s kind=%d value=%ld type=%s\n", static_cast<long>(var->memid),
                    Name(info, var->memid).c_str(), var->varkind, value,
                    Type(info, var->elemdescVar.tdesc).c_str());
        info->ReleaseVarDesc(var);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: typelib_dump FILE\n");
        return 2;
    }
    Released<ITypeLib> lib;
    const HRESULT hr = LoadTypeLibEx(argv[1], REGKIND_NONE, &lib.p);
    if (FAILED(hr)) {
        std::fprintf(stderr, "LoadTypeLibEx failed: 0x%08lx\n", static_cast<unsigned long>(hr));
        return 1;
    }
    TLIBATTR* libAttr = nullptr;
    if (FAILED(lib.p->GetLibAttr(&libAttr))) return 1;
    std::printf("syskind %d\n", libAttr->syskind);
    std::printf("library %s %u.%u lcid=%lu\n", Guid(libAttr->guid).c_str(), libAttr->wMajorVerNum,
                libAttr->wMinorVerNum, static_cast<unsigned long>(libAttr->lcid));
    lib.p->ReleaseTLibAttr(libAttr);
    for (UINT t = 0; t < lib.p->GetTypeInfoCount(); ++t) {
        Released<ITypeInfo> info;
        if (FAILED(lib.p->GetTypeInfo(t, &info.p))) return 1;
        TYPEATTR* attr = nullptr;
        if (FAILED(info.p->GetTypeAttr(&attr))) return 1;
        std::printf("type %s %s kind=%d flags=%u funcs=%u vars=%u impl=%u\n",
                    Name(info.p, MEMBERID_NIL).c_str(), Guid(attr->guid).c_str(), attr->typekind,
                    attr->wTypeFlags, attr->cFuncs, attr->cVars, attr->cImplTypes);
        for (UINT i = 0; i < attr->cImplTypes; ++i) {
            HREFTYPE ref = 0;
            INT flags = 0;
            Released<ITypeInfo> base;
            info.p->GetImplTypeFlags(i, &flags);
            if (SUCCEEDED(info.p->GetRefTypeOfImplType(i, &ref)) &&
                SUCCEEDED(info.p->GetRefTypeInfo(ref, &base.p)))
                std::printf("  implements %s flags=%d\n", Name(base.p, MEMBERID_NIL).c_str(),
                            flags);
        }
        DumpFunctions(info.p, *attr);
        DumpVariables(info.p, *attr);
        info.p->ReleaseTypeAttr(attr);
    }
    return 0;
}
