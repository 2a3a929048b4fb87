velmor_core_library(NAME velmor_ftp_core SOURCES
  ftp_client.cpp
  ftp_reply.cpp
  listing_parsers.cpp
  passive_reply.cpp)
