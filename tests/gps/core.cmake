velmor_core_test(NAME gps_distance SOURCES distance_test.cpp LIBS velmor_gps_core)
