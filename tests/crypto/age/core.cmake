velmor_core_test(NAME age_core SOURCES age_interop_test.cpp age_damage_test.cpp age_keys_test.cpp
        age_cli.cpp
    LIBS velmor_age_core velmor_age_core_crypto)
if(TARGET age_core)
  target_compile_definitions(age_core PRIVATE VELMOR_AGE_PTY="${CMAKE_CURRENT_LIST_DIR}/age_pty.py")
endif()
velmor_core_test(NAME age_parallel_chunks SOURCES parallel_chunks_test.cpp age_cli.cpp
    LIBS velmor_age_core velmor_age_core_crypto)
if(TARGET age_parallel_chunks)
  target_compile_definitions(age_parallel_chunks PRIVATE
      VELMOR_AGE_PTY="${CMAKE_CURRENT_LIST_DIR}/age_pty.py")
endif()
