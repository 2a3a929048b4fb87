# libssh2 over mbedTLS, cross-built by scripts/ssh-libraries.sh (from Debian's source packages)
# into the third-party cache and linked statically.
include(${CMAKE_CURRENT_LIST_DIR}/ThirdParty.cmake)
velmor_third_party(VELMOR_SSH_DIR ssh ssh-libraries.sh install/lib/libssh2.a)
set(VELMOR_SSH_LIB ${VELMOR_SSH_DIR}/install/lib)
add_library(Velmor::mbedcrypto STATIC IMPORTED GLOBAL)
set_target_properties(Velmor::mbedcrypto PROPERTIES
  IMPORTED_LOCATION ${VELMOR_SSH_LIB}/libmbedcrypto.a
  INTERFACE_LINK_LIBRARIES "bcrypt")
add_library(Velmor::libssh2 STATIC IMPORTED GLOBAL)
set_target_properties(Velmor::libssh2 PROPERTIES
  IMPORTED_LOCATION ${VELMOR_SSH_LIB}/libssh2.a
  INTERFACE_INCLUDE_DIRECTORIES ${VELMOR_SSH_DIR}/install/include
  INTERFACE_LINK_LIBRARIES "Velmor::mbedcrypto;ws2_32")
