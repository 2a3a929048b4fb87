# libssh2 over mbedTLS, cross-built once into the build tree by scripts/ssh-libraries.sh
# (from Debian's source packages) and linked statically.
set(VELMOR_SSH_DIR ${CMAKE_BINARY_DIR}/third_party/ssh)
set(VELMOR_SSH_LIB ${VELMOR_SSH_DIR}/install/lib)
if(NOT EXISTS ${VELMOR_SSH_LIB}/libssh2.a OR NOT EXISTS ${VELMOR_SSH_LIB}/libmbedcrypto.a)
  message(STATUS "Building libssh2 and mbedTLS into ${VELMOR_SSH_DIR}")
  execute_process(
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/ssh-libraries.sh ${VELMOR_SSH_DIR}
    RESULT_VARIABLE ssh_build_result)
  if(NOT ssh_build_result EQUAL 0)
    message(FATAL_ERROR "scripts/ssh-libraries.sh failed: ${ssh_build_result}")
  endif()
endif()
add_library(Velmor::mbedcrypto STATIC IMPORTED GLOBAL)
set_target_properties(Velmor::mbedcrypto PROPERTIES
  IMPORTED_LOCATION ${VELMOR_SSH_LIB}/libmbedcrypto.a
  INTERFACE_LINK_LIBRARIES "bcrypt")
add_library(Velmor::libssh2 STATIC IMPORTED GLOBAL)
set_target_properties(Velmor::libssh2 PROPERTIES
  IMPORTED_LOCATION ${VELMOR_SSH_LIB}/libssh2.a
  INTERFACE_INCLUDE_DIRECTORIES ${VELMOR_SSH_DIR}/install/include
  INTERFACE_LINK_LIBRARIES "Velmor::mbedcrypto;ws2_32")
