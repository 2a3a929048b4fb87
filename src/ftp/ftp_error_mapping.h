// Turns WinINet failure reasons and listing entries into ResultCodes.
#pragma once

#include <windows.h>

namespace velmor::ftp {

// Connect: the reason of a failed login (0 counts as a general failure).
long MapConnectError(DWORD lastError);

// True for an entry that is really a server's error text listed as a file:
// empty, with ":" in its name.
bool IsErrorTextEntry(const WIN32_FIND_DATAW& entry);

}  // namespace velmor::ftp
