// A scratch folder with the few file operations the server tests use on it.
#pragma once

#include <string>

#include "temp_dir.h"

namespace velmor::server::test {

using velmor::test::PathExists;

class TempFolder : public velmor::test::TempDir {
public:
    // Writes bytes exactly as given (binary), creating the file.
    void Write(const std::wstring& name, const std::string& bytes) const {
        velmor::test::WriteFileBytes(file(name), bytes);
    }
    bool Exists(const std::wstring& name) const { return PathExists(file(name)); }
    void Remove(const std::wstring& name) const { DeleteFileW(file(name).c_str()); }
    void MakeFolder(const std::wstring& name) const { CreateDirectoryW(file(name).c_str(), nullptr); }
};

}  // namespace velmor::server::test
