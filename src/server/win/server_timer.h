// The polling timer: a thread timer without a window whose ticks drive the
// engine of the most recently created server object (CurrentServer).
#pragma once

#include <windows.h>

#include "server/server_engine.h"

namespace velmor::server {

// The engine that ticks drive; null when there is none.
ServerEngine* CurrentServer();
void SetCurrentServer(ServerEngine* engine);
// Clears CurrentServer when it is this engine (called as it is destroyed).
void ForgetCurrentServer(const ServerEngine* engine);

// Runs Tick on CurrentServer's engine, if any.
void CALLBACK ServerTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

// Owns one running timer of the calling thread.
class ServerTimer {
public:
    ServerTimer() = default;
    ~ServerTimer() { Stop(); }
    ServerTimer(const ServerTimer&) = delete;
    ServerTimer& operator=(const ServerTimer&) = delete;

    // Starts a timer of kPollIntervalMs unless one runs; a failure leaves
    // no timer running.
    void Start();
    // Stops the timer; returns whether one was running.
    bool Stop();
    bool Running() const { return id_ != 0; }
    int PollInterval() const { return pollInterval_; }

private:
    UINT_PTR id_ = 0;
    int pollInterval_ = kPollIntervalMs;
};

}  // namespace velmor::server
