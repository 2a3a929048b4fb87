# libssh2 over OpenSSL's libcrypto (cmake/OpenSslLibrary.cmake), cross-built by
# scripts/ssh-libraries.sh (from Debian's source package) into the third-party cache and linked
# statically.
include(${CMAKE_CURRENT_LIST_DIR}/OpenSslLibrary.cmake)
velmor_third_party(VELMOR_SSH_DIR ssh ssh-libraries.sh install/lib/libssh2.a
  ${VELMOR_OPENSSL_DIR}/install)
add_library(Velmor::libssh2 STATIC IMPORTED GLOBAL)
set_target_properties(Velmor::libssh2 PROPERTIES
  IMPORTED_LOCATION ${VELMOR_SSH_DIR}/install/lib/libssh2.a
  INTERFACE_INCLUDE_DIRECTORIES ${VELMOR_SSH_DIR}/install/include
  INTERFACE_LINK_LIBRARIES "Velmor::libcrypto;ws2_32")
