velmor_core_test(NAME zip_writer_core SOURCES writer_core_test.cpp memory_writer.cpp
    LIBS velmor_zip_write_core velmor_zip_core_crypto)
velmor_core_test(NAME zip_parallel_pack SOURCES parallel_pack_test.cpp memory_writer.cpp
    LIBS velmor_zip_write_core velmor_zip_core_crypto)
velmor_core_test(NAME zip_large_archive SOURCES large_archive_test.cpp memory_writer.cpp
    LIBS velmor_zip_write_core velmor_zip_core_crypto)
velmor_core_test(NAME zip_folder_masks SOURCES folder_mask_test.cpp LIBS velmor_zip_folder_core)
