// A file written beside its target under a temporary name and put in the target's place only
// when it is complete: whatever stood under the target's name stays byte for byte until
// Commit, and the temporary file is removed on any failure.
#pragma once

#include <windows.h>

#include <string>

namespace velmor::crypto {

class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates an empty temporary file in the target's folder. False, with the platform's last
    // error, when the folder is missing or the target could not be replaced (a folder, a
    // read-only file).
    bool Create(const std::wstring& target);
    // The temporary file, to be opened for writing (and closed before Commit).
    const std::wstring& path() const { return temporary_; }
    // Replaces the target; false with the platform's last error, the target as it was.
    bool Commit();

private:
    std::wstring target_;
    std::wstring temporary_;
    bool committed_ = false;
};

}  // namespace velmor::crypto
