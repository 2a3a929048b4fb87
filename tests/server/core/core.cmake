velmor_core_test(NAME server_text_formats SOURCES text_formats_test.cpp LIBS velmor_server_core)
velmor_core_test(NAME server_containers SOURCES containers_test.cpp LIBS velmor_server_core)
velmor_core_test(NAME server_refresh_gate SOURCES refresh_gate_test.cpp LIBS velmor_server_core)

velmor_fuzz_target(NAME fuzz_server_status_files SOURCE fuzz/status_files_fuzz.cpp
  CORPUS fuzz/corpus/status_files LIBS velmor_server_core)
velmor_fuzz_target(NAME fuzz_server_info_field SOURCE fuzz/info_field_fuzz.cpp
  CORPUS fuzz/corpus/info_field LIBS velmor_server_core)
velmor_fuzz_target(NAME fuzz_server_device_id SOURCE fuzz/device_id_fuzz.cpp
  CORPUS fuzz/corpus/device_id LIBS velmor_server_core)
