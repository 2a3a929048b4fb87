// The five classes through COM as a host sees them: creation by CLSID and ProgID, the interface
// map, late binding through the registered type library, and the shared calling conventions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VelmorCOM_h.h"
#include "com_test_util.h"
#include "module/scoped_bstr.h"

using velmor::ComPtr;
using velmor::ScopedBstr;
using velmor::ScopedVariant;
using velmor::test::ComApartment;

namespace {

struct ClassCase {
    const CLSID* clsid;
    const IID* iid;
    const wchar_t* progId;
    const wchar_t* viProgId;
    std::vector<const wchar_t*> methods;  // in DISPID order from 1; null: a DISPID not used
    // The default interface, where it derives from the first one, and its own functions.
    const IID* defaultIid = nullptr;
    UINT ownFuncs = 0;
};

const std::vector<ClassCase>& Classes() {
    static const std::vector<ClassCase> classes = {
        {&CLSID_OrvZip,
         &IID_IOrvZip,
         L"Velmor.Zip.1",
         L"Velmor.Zip",
         {L"SetPassword", L"Pack", L"Unpack", L"ErrDescription", L"List", L"Test", L"UnpackFiles",
          L"Add", L"Remove", L"Encryption", L"LastResult", L"OnProgress", L"AddFolder",
          L"CompressionLevel"},
         &IID_IOrvZip3,
         3},
        {&CLSID_OrvFtp,
         &IID_IOrvFtp,
         L"Velmor.Ftp.1",
         L"Velmor.Ftp",
         {L"SetProxy",
          L"OpenSession",
          L"CloseSession",
          L"GetFile",
          L"SetCurDir",
          L"DeleteFile",
          L"PutFile",
          L"CreateDirectory",
          L"FileExists",
          L"ErrDescription",
          L"Connect",
          L"ShowProgressWindow",
          L"OnProgress",
          L"LastResult",
          L"ListDirectory",
          L"RenameFile",
          L"RemoveDirectory",
          L"SetPrivateKey",
          L"HostKeyFingerprint",
          L"GetFiles",
          L"PutFiles",
          L"TransferredFiles",
          L"Resume",
          L"PreserveTime",
          L"SpeedLimit"},
         &IID_IOrvFtp3,
         9},
        {&CLSID_OrvCrypto,
         &IID_IOrvCrypto,
         L"Velmor.Crypto.1",
         L"Velmor.Crypto",
         {L"ErrDescription", L"SetCryptPassword", L"EncryptFile", L"DecryptFile", L"Format",
          L"SetRecipients", L"SetIdentities", L"UserRecipient", L"Armor", L"EncryptString",
          L"DecryptString", L"LastResult", L"OnProgress"},
         &IID_IOrvCrypto2,
         12},
        {&CLSID_OrvServer,
         &IID_IOrvServer,
         L"Velmor.OrvServer.1",
         L"Velmor.OrvServer",
         {L"SetExchangeDir", L"GetExchangeDir", L"GetPPCCount", L"GetPPCInfo", L"EnableServer",
          L"ProcessDone", L"DisableServer", L"GetFieldPPCInfo", L"AddPPCId", L"ClearPPCId",
          L"GetPPCInfoByIndex", L"Version"}},
        {&CLSID_OrvGps, &IID_IOrvGps, L"Velmor.OrvGps.1", L"Velmor.OrvGps", {L"Distance"}},
    };
    return classes;
}

class DispatchTest : public ::testing::Test {
protected:
    ComApartment apartment_;
};

TEST_F(DispatchTest, EveryClassIsCreatableByClsidAndProgIdWithItsInterfaceMap) {
    for (const ClassCase& c : Classes()) {
        SCOPED_TRACE(testing::Message() << std::string(c.progId, c.progId + wcslen(c.progId)));
        // The version-independent ProgID names the current one through CurVer (checked by the
        // registration tests); Wine's CLSIDFromProgID does not follow CurVer, so only the
        // versioned ProgID is resolved here.
        CLSID clsid{};
        ASSERT_EQ(S_OK, CLSIDFromProgID(c.progId, &clsid));
        EXPECT_TRUE(IsEqualCLSID(clsid, *c.clsid));
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(S_OK, CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                         unknown.receiveVoid()));
        ComPtr<IDispatch> dual, dispatch;
        EXPECT_EQ(S_OK, unknown->QueryInterface(*c.iid, dual.receiveVoid()));
        if (c.defaultIid) {
            ComPtr<IDispatch> newer;
            EXPECT_EQ(S_OK, unknown->QueryInterface(*c.defaultIid, newer.receiveVoid()));
            EXPECT_EQ(dual.get(), newer.get());
        }
        EXPECT_EQ(S_OK, unknown->QueryInterface(IID_IDispatch, dispatch.receiveVoid()));
        EXPECT_EQ(dual.get(), dispatch.get());
        const IID* foreignDual = (c.iid == &IID_IOrvGps) ? &IID_IOrvZip : &IID_IOrvGps;
        const IID* others[] = {&IID_ISupportErrorInfo, &IID_IClassFactory, &IID_IPersist,
                               &IID_IMarshal, foreignDual};
        for (const IID* other : others) {
            void* p = reinterpret_cast<void*>(1);
            EXPECT_EQ(E_NOINTERFACE, unknown->QueryInterface(*other, &p));
            EXPECT_EQ(nullptr, p);
        }
        EXPECT_EQ(E_POINTER, unknown->QueryInterface(IID_IUnknown, nullptr));
    }
}

TEST_F(DispatchTest, TypeInformationAnswersNamesDispidsAndParameterNames) {
    for (const ClassCase& c : Classes()) {
        ComPtr<IDispatch> dispatch;
        ASSERT_EQ(S_OK, CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                         dispatch.receiveVoid()));
        UINT count = 0;
        EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
        EXPECT_EQ(1u, count);
        EXPECT_EQ(E_POINTER, dispatch->GetTypeInfoCount(nullptr));
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(DISP_E_BADINDEX, dispatch->GetTypeInfo(1, 0, info.receive()));
        EXPECT_EQ(E_POINTER, dispatch->GetTypeInfo(0, 0, nullptr));
        ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0, info.receive()));
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
        EXPECT_TRUE(IsEqualIID(attr->guid, c.defaultIid ? *c.defaultIid : *c.iid));
        EXPECT_EQ(c.defaultIid ? c.ownFuncs : c.methods.size(), attr->cFuncs);
        info->ReleaseTypeAttr(attr);

        for (size_t i = 0; i < c.methods.size(); ++i) {
            if (c.methods[i] == nullptr) continue;
            // Twice: the first answer may come from the type information, the second from the cache.
            for (int round = 0; round < 2; ++round) {
                LPOLESTR name = const_cast<LPOLESTR>(c.methods[i]);
                DISPID id = -1;
                EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
                EXPECT_EQ(static_cast<DISPID>(i + 1), id);
            }
        }
        // Late-bound name lookup is case-insensitive, as the platform's own.
        std::wstring upper = c.methods[0];
        for (auto& ch : upper) ch = towupper(ch);
        LPOLESTR name = &upper[0];
        DISPID id = -1;
        EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
        EXPECT_EQ(1, id);
        wchar_t unknownName[] = L"NoSuchMethod";
        name = unknownName;
        EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
    }
    // Parameter names, including the irregular ones.
    ComPtr<IDispatch> crypto;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_OrvCrypto, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     crypto.receiveVoid()));
    wchar_t m[] = L"DecryptFile", p1[] = L"cryptFile", p2[] = L"DecryptFile";
    LPOLESTR names[] = {m, p1, p2};
    DISPID ids[3] = {};
    EXPECT_EQ(S_OK, crypto->GetIDsOfNames(IID_NULL, names, 3, 0, ids));
    EXPECT_EQ(4, ids[0]);
    EXPECT_EQ(0, ids[1]);
    EXPECT_EQ(1, ids[2]);
    wchar_t e[] = L"EncryptFile", s[] = L"scrFile";
    LPOLESTR names2[] = {e, s};
    EXPECT_EQ(S_OK, crypto->GetIDsOfNames(IID_NULL, names2, 2, 0, ids));
    EXPECT_EQ(0, ids[1]);
}

TEST_F(DispatchTest, InvokeReachesTheSameMethodAsTheVtable) {
    ComPtr<IOrvGps> gps;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_OrvGps, nullptr, CLSCTX_INPROC_SERVER, IID_IOrvGps,
                                     gps.receiveVoid()));
    double early = 0;
    ASSERT_EQ(S_OK, gps->Distance(5500.0, 3700.0, 5600.0, 3700.0, &early));
    EXPECT_NEAR(111699.654, early, 1e-3);

    VARIANTARG args[4];
    const double values[4] = {3700.0, 5600.0, 3700.0, 5500.0};  // reversed, as DISPPARAMS wants
    for (int i = 0; i < 4; ++i) {
        VariantInit(&args[i]);
        args[i].vt = VT_BSTR;  // coerced to double by the type information
        args[i].bstrVal = SysAllocString(std::to_wstring(static_cast<int>(values[i])).c_str());
    }
    DISPPARAMS params{args, nullptr, 4, 0};
    ScopedVariant result;
    UINT argErr = 0;
    ASSERT_EQ(S_OK, gps->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, result.get(), nullptr,
                                &argErr));
    for (auto& a : args) VariantClear(&a);
    ASSERT_EQ(VT_R8, result.ref().vt);
    EXPECT_DOUBLE_EQ(early, result.ref().dblVal);

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE,
              gps->Invoke(1, IID_IUnknown, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    EXPECT_NE(S_OK,
              gps->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, result.get(), nullptr, &argErr));
}

TEST_F(DispatchTest, NullResultPointersGiveEPointer) {
    ComPtr<IOrvGps> gps;
    ComPtr<IOrvZip> zip;
    ComPtr<IOrvFtp> ftp;
    ComPtr<IOrvCrypto> crypto;
    ComPtr<IOrvServer> server;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_OrvGps, nullptr, CLSCTX_INPROC_SERVER, IID_IOrvGps,
                                     gps.receiveVoid()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_OrvZip, nullptr, CLSCTX_INPROC_SERVER, IID_IOrvZip,
                                     zip.receiveVoid()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_OrvFtp, nullptr, CLSCTX_INPROC_SERVER, IID_IOrvFtp,
                                     ftp.receiveVoid()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_OrvCrypto, nullptr, CLSCTX_INPROC_SERVER, IID_IOrvCrypto,
                                     crypto.receiveVoid()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_OrvServer, nullptr, CLSCTX_INPROC_SERVER, IID_IOrvServer,
                                     server.receiveVoid()));
    EXPECT_EQ(E_POINTER, gps->Distance(1, 2, 3, 4, nullptr));
    EXPECT_EQ(E_POINTER, zip->Pack(nullptr, nullptr, nullptr));
    EXPECT_EQ(E_POINTER, zip->Unpack(nullptr, nullptr, nullptr));
    EXPECT_EQ(E_POINTER, zip->ErrDescription(0, nullptr));
    EXPECT_EQ(E_POINTER, ftp->OpenSession(nullptr));
    EXPECT_EQ(E_POINTER, ftp->ErrDescription(0, nullptr));
    EXPECT_EQ(E_POINTER, crypto->ErrDescription(56, nullptr));
    EXPECT_EQ(E_POINTER, crypto->EncryptFile(nullptr, nullptr, nullptr));
    EXPECT_EQ(E_POINTER, server->Version(nullptr));
    EXPECT_EQ(E_POINTER, server->GetPPCCount(nullptr));

    EXPECT_EQ(E_POINTER, ftp->PutFile(nullptr, nullptr, nullptr));

    ScopedBstr version;
    EXPECT_EQ(S_OK, server->Version(version.receive()));
    EXPECT_EQ(L"1.65.0.0", version.str());
}

}  // namespace
