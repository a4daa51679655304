# Fuzz target of the OS layer: the profile-file reader and editor.
if(NETROV_FUZZ AND TARGET netrov_platform)
  target_compile_options(netrov_platform PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  # Whatever links the instrumented code needs the sanitizer runtimes as well.
  target_link_options(netrov_platform INTERFACE -fsanitize=address,undefined)
endif()
if(TARGET netrov_platform)
  netrov_add_fuzzer(profile_read SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/profile_read.cpp" LINK netrov_platform)
endif()
