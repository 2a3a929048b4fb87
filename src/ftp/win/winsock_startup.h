// Winsock's start-up and clean-up, owned: each started instance is matched
// by one WSACleanup when it ends.
#pragma once

#include <winsock2.h>

namespace velmor::ftp {

class WinsockStartup {
public:
    WinsockStartup() noexcept {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockStartup() {
        if (started_) WSACleanup();
    }
    WinsockStartup(const WinsockStartup&) = delete;
    WinsockStartup& operator=(const WinsockStartup&) = delete;

    bool started() const noexcept { return started_; }

private:
    bool started_ = false;
};

}  // namespace velmor::ftp
