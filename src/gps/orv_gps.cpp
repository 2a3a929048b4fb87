#include "gps/orv_gps.h"

#include "gps/distance.h"
#include "module/com_call.h"

namespace velmor {

STDMETHODIMP COrvGps::Distance(double dblLatitude1, double dblLongitude1, double dblLatitude2,
                               double dblLongitude2, double* result) {
    return ResultCall(result, 0.0, [&] {
        return gps::Distance(dblLatitude1, dblLongitude1, dblLatitude2, dblLongitude2);
    });
}

}  // namespace velmor
