#include "server/win/my_xml.h"

#include <windows.h>
#include <msxml2.h>

#include <cstdio>

#include "base/win/handle_traits.h"
#include "base/win/string_resource.h"
#include "module/com_ptr.h"
#include "module/resource.h"
#include "module/scoped_bstr.h"

namespace velmor::server {
namespace {

// {F5078F32-C551-11D3-89B9-0000F81FE221}
const CLSID kClsidDomDocument30 = {
    0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};
// {2933BF81-7B36-11D2-B20E-00C04F983E60}
const IID kIidXmlDomDocument = {
    0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

const char kSourceName[] = "MyXML";
const wchar_t kNoRootCaption[] = L"Velmor Server";

// One process-wide buffer for diagnostic texts; longer texts are cut.
char g_reportBuffer[2048];

void DefaultReport(const std::string& text) {
    OutputDebugStringA(text.c_str());
    std::printf("%s", text.c_str());
    std::fflush(stdout);
}

void DefaultAlert(const std::wstring& text, const std::wstring& caption) {
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

// Reads one attribute's value as text; false when the element has no
// attribute map, no such attribute or a value that is not text.
bool ReadAttribute(IXMLDOMNode* node, const wchar_t* name, std::wstring& value) {
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    if (FAILED(node->get_attributes(attributes.receive())) || !attributes) return false;
    ComPtr<IXMLDOMNode> attribute;
    ScopedBstr attributeName(name);
    if (FAILED(attributes->getNamedItem(attributeName.get(), attribute.receive())) || !attribute) {
        return false;
    }
    ScopedVariant v;
    if (FAILED(attribute->get_nodeValue(v.get()))) return false;
    if (v.ref().vt != VT_BSTR) return false;
    BSTR b = v.ref().bstrVal;
    value.assign(b ? b : L"", b ? SysStringLen(b) : 0);
    return true;
}

// Reads the whole file into a byte-array VARIANT, from which the document
// loads in one pass (it detects the encoding itself, as when it opens the
// file). Loading by path can read the file in small pieces and grow its
// buffer piece by piece, which makes large device lists slow.
HRESULT ReadFileBytes(const std::wstring& path, VARIANT* out) {
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return HRESULT_FROM_WIN32(GetLastError());
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return HRESULT_FROM_WIN32(GetLastError());
    if (size.QuadPart > 0x7FFFFFFF) return E_OUTOFMEMORY;
    const DWORD length = static_cast<DWORD>(size.QuadPart);
    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, length);
    if (!bytes) return E_OUTOFMEMORY;
    out->vt = VT_ARRAY | VT_UI1;  // the variant owns the array from here
    out->parray = bytes;
    void* data = nullptr;
    HRESULT hr = SafeArrayAccessData(bytes, &data);
    if (FAILED(hr)) return hr;
    DWORD got = 0;
    const BOOL read = length == 0 || ReadFile(file.get(), data, length, &got, nullptr);
    if (!read) hr = HRESULT_FROM_WIN32(GetLastError());
    SafeArrayUnaccessData(bytes);
    if (FAILED(hr)) return hr;
    return (length == 0 || got == length) ? S_OK : E_FAIL;
}

}  // namespace

MyXML::MyXML() : report_(DefaultReport), alert_(DefaultAlert) {}

void MyXML::ReportHrFailure(int line, const char* label, long hr, const char* call) {
    std::snprintf(g_reportBuffer, sizeof g_reportBuffer,
                  "%s:%d  HRCALL Failed: %s\n  0x%.8lx = %s\n", kSourceName, line, label,
                  static_cast<unsigned long>(hr), call);
    if (report_) report_(g_reportBuffer);
}

void MyXML::ReportParseError(void* documentPtr, const char* message) {
    auto* document = static_cast<IXMLDOMDocument*>(documentPtr);
    ComPtr<IXMLDOMParseError> error;
    HRESULT hr = document->get_parseError(error.receive());
    if (FAILED(hr) || !error) {
        ReportHrFailure(__LINE__, "dom->get_parseError: ", FAILED(hr) ? hr : E_POINTER,
                        "pDom->get_parseError(&pXMLErr)");
        return;
    }
    ScopedBstr reason;
    hr = error->get_reason(reason.receive());
    if (FAILED(hr)) {
        ReportHrFailure(__LINE__, "parseError->get_reason: ", hr,
                        "pXMLErr->get_reason(&bstrReason)");
        return;
    }
    // "%s %S\n": the narrow message and the wide reason.
    std::string reasonText;
    const std::wstring wide = reason.str();
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()),
                                          nullptr, 0, nullptr, nullptr);
    if (bytes > 0) {
        reasonText.resize(static_cast<std::size_t>(bytes));
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), &reasonText[0],
                            bytes, nullptr, nullptr);
    }
    std::snprintf(g_reportBuffer, sizeof g_reportBuffer, "%s %s\n", message, reasonText.c_str());
    if (report_) report_(g_reportBuffer);
}

void MyXML::ReadDevices(const std::wstring& path, const DeviceSink& onDevice) {
    ComPtr<IXMLDOMDocument> document;
    HRESULT hr = CoCreateInstance(kClsidDomDocument30, nullptr, CLSCTX_INPROC_SERVER,
                                  kIidXmlDomDocument, document.receiveVoid());
    if (FAILED(hr) || !document) {
        ReportHrFailure(__LINE__, "Create a new DOMDocument", FAILED(hr) ? hr : E_POINTER,
                        "CoCreateInstance(__uuidof(DOMDocument30), NULL, CLSCTX_INPROC_SERVER, "
                        "__uuidof(IXMLDOMDocument), (void**)&pxmldoc)");
        return;
    }
    if (FAILED(hr = document->put_async(VARIANT_FALSE))) {
        ReportHrFailure(__LINE__, "should never fail", hr, "pxmldoc->put_async(VARIANT_FALSE)");
        return;
    }
    if (FAILED(hr = document->put_validateOnParse(VARIANT_FALSE))) {
        ReportHrFailure(__LINE__, "should never fail", hr,
                        "pxmldoc->put_validateOnParse(VARIANT_FALSE)");
        return;
    }
    if (FAILED(hr = document->put_resolveExternals(VARIANT_FALSE))) {
        ReportHrFailure(__LINE__, "should never fail", hr,
                        "pxmldoc->put_resolveExternals(VARIANT_FALSE)");
        return;
    }

    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;

    ScopedVariant source;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    hr = ReadFileBytes(path, source.get());
    if (SUCCEEDED(hr)) hr = document->load(*source.get(), &loaded);
    if (FAILED(hr)) {
        ReportHrFailure(__LINE__, "dom->load(): ", hr, "pXMLDom->load(var, &status)");
        return;
    }
    if (loaded != VARIANT_TRUE) {
        ReportParseError(document.get(), "Failed to load DOM from xml-file");
        return;
    }

    ComPtr<IXMLDOMElement> root;
    hr = document->get_documentElement(root.receive());
    if (FAILED(hr)) {
        ReportHrFailure(__LINE__, " get_documentElement ", hr,
                        "pXMLDom->get_documentElement(&pElem)");
        return;
    }
    if (!root) {
        if (alert_) alert_(LoadResourceString(IDS_SERVER_NO_XML_ROOT), kNoRootCaption);
        return;
    }

    ComPtr<IXMLDOMNodeList> nodes;
    ScopedBstr query(L"PPC");
    hr = root->selectNodes(query.get(), nodes.receive());
    if (FAILED(hr)) {
        ReportHrFailure(__LINE__, "selectNodes ", hr, "pElem->selectNodes(bstr, &pNodes)");
        return;
    }
    if (!nodes) {
        ReportParseError(document.get(), "Error while calling selectNodes ");
        return;
    }
    long length = 0;
    if (FAILED(hr = nodes->get_length(&length))) {
        ReportHrFailure(__LINE__, "get_length: ", hr, "pNodes->get_length(&length)");
        return;
    }
    for (long i = 0; i < length; ++i) {
        ComPtr<IXMLDOMNode> node;
        hr = nodes->get_item(i, node.receive());
        if (FAILED(hr) || !node) {
            ReportHrFailure(__LINE__, "get_item: ", FAILED(hr) ? hr : E_POINTER,
                            "pNodes->get_item(i, &pNode)");
            break;
        }
        ConfigDevice device;
        if (ReadAttribute(node.get(), L"DEVICE_ID", device.id) &&
            ReadAttribute(node.get(), L"PSEUDONIM", device.pseudonym) &&
            ReadAttribute(node.get(), L"DIRECTORY", device.directory)) {
            onDevice(device);
        }
    }
}

}  // namespace velmor::server
