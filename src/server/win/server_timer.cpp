#include "server/win/server_timer.h"

namespace velmor::server {
namespace {

ServerEngine* g_currentServer = nullptr;

}  // namespace

ServerEngine* CurrentServer() { return g_currentServer; }

void SetCurrentServer(ServerEngine* engine) { g_currentServer = engine; }

void ForgetCurrentServer(const ServerEngine* engine) {
    if (g_currentServer == engine) g_currentServer = nullptr;
}

void CALLBACK ServerTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    ServerEngine* engine = g_currentServer;
    if (!engine) return;
    try {
        engine->Tick();
    } catch (...) {
        // A tick that ran out of memory is simply skipped; the next one retries.
    }
}

void ServerTimer::Start() {
    if (id_ != 0) return;
    pollInterval_ = kPollIntervalMs;
    id_ = SetTimer(nullptr, 0, static_cast<UINT>(pollInterval_), ServerTimerProc);
}

bool ServerTimer::Stop() {
    if (id_ == 0) return false;
    KillTimer(nullptr, id_);
    id_ = 0;
    return true;
}

}  // namespace velmor::server
