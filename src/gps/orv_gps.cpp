#include "gps/orv_gps.h"

#include "gps/distance.h"

namespace velmor {

STDMETHODIMP COrvGps::Distance(double dblLatitude1, double dblLongitude1, double dblLatitude2,
                               double dblLongitude2, double* result) {
  if (!result) return E_POINTER;
  *result = gps::Distance(dblLatitude1, dblLongitude1, dblLatitude2, dblLongitude2);
  return S_OK;
}

}  // namespace velmor
