// Reading Status.txt and Stack.txt from their lines: the status records of
// the devices, and the stacked files that stand in for a current file that
// is gone.
#pragma once

#include <string>

#include "server/core/folder_index.h"
#include "server/core/my_din_array.h"

namespace velmor::server {

// The lines of one status file, as the C runtime's text mode reads them.
class LineSource {
public:
    virtual ~LineSource() = default;
    // Next piece of text up to and including its LF (or 1023 characters);
    // false at the end.
    virtual bool Next(std::wstring& line) = 0;
};

// An 8-bit line read as ISO 8859-1: each byte becomes the character of the
// same code. The text ends at its first NUL.
std::wstring Latin1Line(const char* bytes);

// True when the exchange folder + "\" + name names an existing file or
// folder and the name stays inside the exchange folder.
bool DataFileExists(const FolderIndex& folder, const wchar_t* name);

// Appends a StatusRecord to status (configured for them) for every line of
// Status.txt that is long enough, then sorts status by CompareDeviceIds.
void ReadStatusLines(LineSource& lines, MyDinArray& status);

// Applies Stack.txt to the sorted status records: for a device whose current
// file is gone, the first complete stack line (in file order) whose file
// exists takes its place.
void MergeStackLines(LineSource& lines, MyDinArray& status, const FolderIndex& folder);

}  // namespace velmor::server
