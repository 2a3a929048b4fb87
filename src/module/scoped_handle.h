// The handle owners under the names the archive and server code still use; they are the base
// layer's owners (base/win/handle_traits.h) and lock (base/win/critical_section.h).
#pragma once

#include "base/win/critical_section.h"
#include "base/win/handle_traits.h"
