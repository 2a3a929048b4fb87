// A uniquely named folder under the temp directory, removed with everything
// in it when the test ends.
#pragma once

#include <windows.h>

#include <string>

namespace velmor::server::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Without a trailing backslash.
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

    // Writes bytes exactly as given (binary), creating the file.
    void Write(const std::wstring& name, const std::string& bytes) const;
    bool Exists(const std::wstring& name) const;
    void Remove(const std::wstring& name) const;
    void MakeFolder(const std::wstring& name) const;

private:
    std::wstring path_;
};

// Writes a file at an absolute path.
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool PathExists(const std::wstring& path);
// Deletes a folder tree.
void RemoveTree(const std::wstring& path);

}  // namespace velmor::server::test
