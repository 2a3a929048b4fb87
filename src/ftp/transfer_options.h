// How GetFile, PutFile, GetFiles and PutFiles transfer: the object's Resume,
// PreserveTime and SpeedLimit.
#pragma once

#include "ftp/ftp_constants.h"

namespace velmor::ftp {

struct TransferOptions {
    // Each file travels under its name and ".filepart" until it is complete,
    // and a part found at the start is continued.
    bool resume = false;
    // A file that arrived takes the modification time of its source.
    bool preserveTime = false;
    // Bytes per second of downloads; 0: as fast as the server sends.
    long speedLimit = kDefaultSpeedLimit;
};

}  // namespace velmor::ftp
