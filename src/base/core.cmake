# The platform-free part of the base layer is header-only.
add_library(velmor_base_core INTERFACE)
target_include_directories(velmor_base_core INTERFACE ${VELMOR_ROOT}/src)
