// Turns the outcomes of the remote sessions into ResultCodes, in one place,
// and the FTP client's outcomes and WinINet's listing entries into the
// session's vocabulary.
#pragma once

#include <windows.h>

#include "ftp/core/ftp_client.h"
#include "ftp/remote_session.h"

namespace velmor::ftp {

// Connect: the result code of a failed connection (kOk counts as success).
long ResultForConnect(RemoteOutcome outcome);

// The session's outcome for one of the FTP client over TLS.
RemoteOutcome OutcomeForFtp(FtpOutcome outcome);

// True for an entry that is really a server's error text listed as a file:
// empty, with ":" in its name.
bool IsErrorTextEntry(const WIN32_FIND_DATAW& entry);

}  // namespace velmor::ftp
