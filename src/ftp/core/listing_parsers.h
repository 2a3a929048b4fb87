// Listings the server sends: the FEAT reply, an MLST entry line and LIST
// lines in the Unix "ls -l" and the DOS/IIS styles.
#pragma once

#include <optional>
#include <string>

#include "ftp/core/ftp_reply.h"
#include "ftp/core/remote_entry.h"

namespace velmor::ftp {

// The features a FEAT reply announces that the client uses.
struct FtpFeatures {
    bool utf8 = false;      // UTF8: path names travel as UTF-8
    bool mlst = false;      // MLST
    bool mlstSize = false;  // MLST offers the size fact
    bool epsv = false;      // EPSV
    bool size = false;      // SIZE
    bool mdtm = false;      // MDTM
    bool mfmt = false;      // MFMT: the server sets a file's modification time
};

// "YYYYMMDDHHMMSS[.sss]" (an MLST modify fact, an MDTM reply) as
// "YYYY-MM-DD HH:MM:SS"; empty when malformed.
std::string ModifyTime(const std::string& value);
// The reverse: "YYYY-MM-DD HH:MM:SS" as "YYYYMMDDHHMMSS"; empty when malformed.
std::string ModifyFact(const std::string& utc);

// A 211 reply's feature lines (those starting with a blank); any other reply
// announces nothing.
FtpFeatures ParseFeatures(const FtpReply& reply);

// "facts pathname" as in an MLST reply's entry line, with or without its
// leading blank: "type=file;size=12; name with blanks". The name is the rest
// of the line after the first blank that follows the facts. Null when the
// line has no facts or no name.
std::optional<RemoteEntry> ParseMlstEntry(const std::string& line);

// One line of a LIST reply: Unix style ("-rw-r--r-- 1 u g 12 Jan  2 10:00
// name") with or without the group, month-name or ISO dates, and the DOS/IIS
// style ("01-02-24  10:00AM  12 name", "<DIR>" for directories). A link's
// name stops before " -> ". Null for lines that are no entry ("total 8") or
// that neither style reads.
std::optional<RemoteEntry> ParseListLine(const std::string& line);

}  // namespace velmor::ftp
