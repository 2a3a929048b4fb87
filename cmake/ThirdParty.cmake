# Third-party libraries are built from Debian's source packages by a script of scripts/, once per
# machine: the result is kept outside the checkout and the build tree, in a folder named after
# the library, the script's own content (which names the sources and the options) and the
# toolchain, so that a new clone or a new build tree finds it and only a fresh machine pays.
# VELMOR_THIRD_PARTY_CACHE (environment or cache variable) moves the folder.
if(DEFINED ENV{VELMOR_THIRD_PARTY_CACHE})
  set(velmor_cache_default $ENV{VELMOR_THIRD_PARTY_CACHE})
elseif(DEFINED ENV{HOME} AND IS_DIRECTORY "$ENV{HOME}")
  set(velmor_cache_default $ENV{HOME}/.cache/velmor-third-party)
else()
  set(velmor_cache_default /var/tmp/velmor-third-party)
endif()
set(VELMOR_THIRD_PARTY_CACHE ${velmor_cache_default} CACHE PATH
  "Where third-party libraries built from Debian's sources are kept")

# velmor_third_party(OUT NAME SCRIPT STAMP [ARG...]): runs scripts/SCRIPT DIR TOOLCHAIN [ARG...]
# unless DIR already holds DIR/STAMP; sets OUT to DIR. The ARGs (another library's folder, say)
# are part of DIR's name, so that a library built over another is rebuilt when that one is.
function(velmor_third_party out name script stamp)
  set(script ${PROJECT_SOURCE_DIR}/scripts/${script})
  file(SHA256 ${script} script_hash)
  if(ARGN)
    string(SHA256 script_hash "${script_hash};${ARGN}")
  endif()
  string(SUBSTRING ${script_hash} 0 12 script_hash)
  set(dir ${VELMOR_THIRD_PARTY_CACHE}/${name}-${script_hash}-${VELMOR_TRIPLE}-gcc${CMAKE_CXX_COMPILER_VERSION})
  if(NOT EXISTS ${dir}/${stamp})
    file(MAKE_DIRECTORY ${VELMOR_THIRD_PARTY_CACHE})
    file(LOCK ${dir}.lock GUARD FUNCTION TIMEOUT 3600)
    if(NOT EXISTS ${dir}/${stamp})
      message(STATUS "Building ${name} for ${VELMOR_TRIPLE} into ${dir}")
      execute_process(COMMAND ${script} ${dir} ${CMAKE_TOOLCHAIN_FILE} ${ARGN}
        RESULT_VARIABLE result)
      if(NOT result EQUAL 0)
        message(FATAL_ERROR "${script} failed: ${result}")
      endif()
    endif()
  endif()
  set(${out} ${dir} PARENT_SCOPE)
endfunction()
