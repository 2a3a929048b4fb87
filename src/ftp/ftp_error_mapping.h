// Turns WinINet failure reasons (and the TLS client's outcomes) and listing entries into ResultCodes.
#pragma once

#include <windows.h>

#include "ftp/core/ftp_client.h"

namespace velmor::ftp {

// Connect: the reason of a failed login (0 counts as a general failure).
long MapConnectError(DWORD lastError);

// The reason WinINet gives for the same condition, for an outcome of the
// client over TLS: one mapping serves both ways of connecting.
DWORD LastErrorForOutcome(FtpOutcome outcome);

// True for an entry that is really a server's error text listed as a file:
// empty, with ":" in its name.
bool IsErrorTextEntry(const WIN32_FIND_DATAW& entry);

}  // namespace velmor::ftp
