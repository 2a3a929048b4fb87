velmor_core_library(NAME velmor_server_core SOURCES
  device_id.cpp
  device_record.cpp
  folder_index.cpp
  heap_memory.cpp
  info_field.cpp
  info_line.cpp
  my_din_array.cpp
  ppc_queue.cpp
  refresh_gate.cpp
  safe_relative_name.cpp
  status_files.cpp
  status_line.cpp)
