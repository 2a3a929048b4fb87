velmor_core_library(NAME velmor_gps_core SOURCES distance.cpp)
