// Names of data files come from files that the device side writes. Before
// such a name is joined to the exchange folder (to test or delete it), it
// must be a plain relative name that stays inside the folder.
#pragma once

#include <string>

namespace velmor::server {

// True for names like "a.dat" or "sub\a.dat" (and for the empty name, which
// denotes the folder itself). False for anything absolute or rooted ("\x",
// "/x"), with a drive, stream or device colon ("C:x", "a:b"), UNC or
// "\\?\" prefixes, and any component that climbs up ("..", "...", ". .").
bool IsSafeRelativeName(const std::wstring& name);

}  // namespace velmor::server
