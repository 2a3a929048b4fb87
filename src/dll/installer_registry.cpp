// velmor_installer_registry OUT.idt COMPONENT [FILE]: the class entries as the installer's
// Registry table, every row belonging to COMPONENT and named after it. The registration code of
// DllRegisterServer runs over every class of the table against a registry that records instead
// of writing; the records become the rows, with the installer's reference to the installed
// library, [#FILE] (FILE is the library's key in the File table, VelmorCOM.dll unless given), as
// the library's path. The 32-bit library writes the same entries, so one run per library gives
// the rows of either; the component's attributes choose the registry view they go to. The
// installer registers the type library itself (TypeLib table).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/stdio_stream.h"
#include "dll/class_table.h"
#include "module/registrar.h"
#include "module/registry_backend.h"
#include "module/registry_script.h"

namespace {

struct RecordedKey {
    std::wstring path;
    std::vector<velmor::RegNamedValue> values;  // an empty name is the default value
    bool hasSubkeys = false;
};

// Keeps the keys and values registration writes, in the order they are first written.
class RecordingRegistry final : public velmor::RegistryBackend {
public:
    LONG CreateKey(const std::wstring& path) override {
        Find(path);
        const size_t slash = path.rfind(L'\\');
        if (slash != std::wstring::npos) Find(path.substr(0, slash)).hasSubkeys = true;
        return ERROR_SUCCESS;
    }
    LONG SetValue(const std::wstring& path, const std::wstring& name,
                  const std::wstring& data) override {
        Find(path).values.push_back({name, data});
        return ERROR_SUCCESS;
    }
    // Nothing is there before the installer writes: replacing a key removes nothing.
    LONG DeleteTree(const std::wstring&) override { return ERROR_SUCCESS; }
    LONG DeleteValue(const std::wstring&, const std::wstring&) override { return ERROR_SUCCESS; }
    velmor::KeyRemoval RemoveKeyIfLeaf(const std::wstring&) override {
        return velmor::KeyRemoval::Missing;
    }

    const std::vector<RecordedKey>& keys() const noexcept { return keys_; }

private:
    RecordedKey& Find(const std::wstring& path) {
        for (RecordedKey& key : keys_) {
            if (_wcsicmp(key.path.c_str(), path.c_str()) == 0) return key;
        }
        keys_.push_back({path, {}, false});
        return keys_.back();
    }

    std::vector<RecordedKey> keys_;
};

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size,
                        nullptr, nullptr);
    return utf8;
}

// The installer reads keys and values as formatted text, where square brackets are references;
// an archive line ends at a tab or a line break.
bool Plain(const std::wstring& text, const std::wstring& reference) {
    return text == reference || text.find_first_of(L"[]\t\r\n") == std::wstring::npos;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 4) {
        std::fputs("usage: velmor_installer_registry OUT.idt COMPONENT [FILE]\n", stderr);
        return 2;
    }
    const std::wstring reference =
        L"[#" + std::wstring(argc == 4 ? argv[3] : L"VelmorCOM.dll") + L"]";
    RecordingRegistry registry;
    for (int i = 0; i < velmor::kClassCount; ++i) {
        const velmor::RegScript script = velmor::BuildClassScript(velmor::ClassAt(i), reference);
        if (FAILED(velmor::RegisterScript(registry, script))) {
            std::fputs("registration failed\n", stderr);
            return 1;
        }
    }

    // The Registry table as an installer text archive: root 0 is the classes root, a row named
    // "*" creates a key that holds nothing (and removes it on uninstall), and a row without a name
    // sets the default value.
    const std::string component = Utf8(argv[2]);
    std::string table =
        "Registry\tRoot\tKey\tName\tValue\tComponent_\n"
        "s72\ti2\tl255\tL255\tL0\ts72\n"
        "Registry\tRegistry\n";
    int row = 0;
    auto add = [&](const std::wstring& key, const std::wstring& name, const std::wstring& value) {
        table += component + "_reg" + std::to_string(++row) + "\t0\t" + Utf8(key) + "\t" +
                 Utf8(name) + "\t" + Utf8(value) + "\t" + component + "\n";
        return Plain(key, reference) && Plain(name, reference) && Plain(value, reference);
    };
    for (const RecordedKey& key : registry.keys()) {
        for (const velmor::RegNamedValue& value : key.values) {
            if (!add(key.path, value.name, value.data)) {
                std::fputs("a registry entry holds characters the table cannot keep\n", stderr);
                return 1;
            }
        }
        if (key.values.empty() && !key.hasSubkeys) add(key.path, L"*", L"");
    }

    velmor::UniqueStdioStream out(_wfopen(argv[1], L"wb"));
    if (!out || std::fwrite(table.data(), 1, table.size(), out.get()) != table.size() ||
        std::fclose(out.release()) != 0) {
        std::fputs("cannot write the output file\n", stderr);
        return 1;
    }
    return 0;
}
