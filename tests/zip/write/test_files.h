// Helpers of the writer tests: a scratch folder, file contents, file times, and a
// parser that takes a finished archive apart record by record.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "zip/win/file_times.h"
#include "zip/format/records.h"

namespace velmor::zip::test {

// A fresh folder under the temp path, removed with everything in it.
using ScratchFolder = velmor::test::TempDir;

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::wstring& path);
// Deterministic test content: text-like (compressible) or noise.
std::vector<uint8_t> TextBytes(size_t size, uint32_t seed);
std::vector<uint8_t> NoiseBytes(size_t size, uint32_t seed);
// Sets all three times of a file (file time values, UTC).
void SetTimes(const std::wstring& path, uint64_t creation, uint64_t access, uint64_t write);

struct ParsedEntry {
    CentralFileHeader central;
    std::string centralName;
    std::vector<uint8_t> centralExtra;
    LocalFileHeader local;
    std::string localName;
    std::vector<uint8_t> localExtra;
    size_t dataOffset = 0;  // first byte after the local extra field
};

struct ParsedArchive {
    EndOfCentralDirectory end;
    size_t endOffset = 0;
    std::vector<ParsedEntry> entries;
};

// Parses an archive without comment; fails the current test on any inconsistency.
ParsedArchive ParseArchive(const std::vector<uint8_t>& bytes);
// Decrypts (if password is given) and inflates or copies an entry's data.
std::vector<uint8_t> EntryContent(const std::vector<uint8_t>& archive, const ParsedEntry& entry,
                                  const std::string& password = std::string());

}  // namespace velmor::zip::test
