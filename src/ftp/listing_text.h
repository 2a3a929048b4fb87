// ListDirectory's text: one line per entry, ending in CR LF, with the fields
// name, size (decimal; empty for folders), modified (UTC "YYYY-MM-DD
// HH:MM:SS", or empty) and type ("file", "dir", "link") separated by tabs.
#pragma once

#include <string>
#include <vector>

#include "ftp/remote_session.h"

namespace velmor::ftp {

std::wstring FormatListing(const std::vector<RemoteListEntry>& entries);

}  // namespace velmor::ftp
