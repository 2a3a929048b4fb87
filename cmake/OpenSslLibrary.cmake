# OpenSSL's libcrypto, cross-built by scripts/openssl-library.sh (from Debian's source package)
# into the third-party cache and linked statically: libssh2's crypto, and the library's own use
# of its primitives. What it needs of Windows: Winsock (its socket BIOs), CryptoAPI's random
# source, the system certificate store, and the event log and message box of its fatal-error
# report.
include(${CMAKE_CURRENT_LIST_DIR}/ThirdParty.cmake)
velmor_third_party(VELMOR_OPENSSL_DIR libcrypto openssl-library.sh install/lib/libcrypto.a)
add_library(Velmor::libcrypto STATIC IMPORTED GLOBAL)
set_target_properties(Velmor::libcrypto PROPERTIES
  IMPORTED_LOCATION ${VELMOR_OPENSSL_DIR}/install/lib/libcrypto.a
  INTERFACE_INCLUDE_DIRECTORIES ${VELMOR_OPENSSL_DIR}/install/include
  INTERFACE_LINK_LIBRARIES "ws2_32;crypt32;advapi32;user32")
