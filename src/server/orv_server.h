// OrvServer: the desktop side of the file exchange with handheld devices.
// A thin automation face over the exchange server engine.
#pragma once

#include "VelmorCOM_h.h"
#include "module/dispatch_component.h"
#include "server/server_engine.h"
#include "server/win/server_timer.h"

namespace velmor {

class COrvServer : public DispatchComponent<IOrvServer, &IID_IOrvServer> {
public:
    COrvServer();
    ~COrvServer() override;

    STDMETHODIMP SetExchangeDir(BSTR dir) override;
    STDMETHODIMP GetExchangeDir(BSTR* result) override;
    STDMETHODIMP GetPPCCount(long* result) override;
    STDMETHODIMP GetPPCInfo(BSTR ppcId, BSTR* result) override;
    STDMETHODIMP EnableServer() override;
    STDMETHODIMP ProcessDone(BSTR idPPC) override;
    STDMETHODIMP DisableServer() override;
    STDMETHODIMP GetFieldPPCInfo(BSTR ppcInfo, BSTR name, BSTR* result) override;
    STDMETHODIMP AddPPCId(BSTR idPPC) override;
    STDMETHODIMP ClearPPCId() override;
    STDMETHODIMP GetPPCInfoByIndex(long index, BSTR* result) override;
    STDMETHODIMP Version(BSTR* result) override;

private:
    server::ServerEngine engine_;
    server::ServerTimer timer_;
};

}  // namespace velmor
