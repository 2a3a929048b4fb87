// OrvGps: distance in metres between two positions.
#pragma once
#include "VelmorCOM_h.h"
#include "module/dispatch_component.h"

namespace velmor {

class COrvGps : public DispatchComponent<IOrvGps, &IID_IOrvGps> {
public:
    STDMETHODIMP Distance(double dblLatitude1, double dblLongitude1, double dblLatitude2,
                          double dblLongitude2, double* result) override;
};

}  // namespace velmor
