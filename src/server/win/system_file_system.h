// The folder index's questions answered by the system: a directory listing,
// file attributes and the system's upper-casing.
#pragma once

#include "server/core/folder_index.h"

namespace velmor::server {

const FolderFileSystem& SystemFileSystem();

}  // namespace velmor::server
