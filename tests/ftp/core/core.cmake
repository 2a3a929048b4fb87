velmor_core_test(NAME ftp_parsers SOURCES parsers_test.cpp LIBS velmor_ftp_core)
velmor_core_test(NAME ftp_client SOURCES ftp_client_test.cpp LIBS velmor_ftp_core)

velmor_fuzz_target(NAME fuzz_ftp_replies SOURCE fuzz/replies_fuzz.cpp
  CORPUS fuzz/corpus/replies LIBS velmor_ftp_core)
