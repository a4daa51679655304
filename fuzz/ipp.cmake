# Fuzz target of the IPP reading's value parsers (Linux, with libcups).
if(NETROV_FUZZ AND TARGET netrov_ipp_values)
  target_compile_options(netrov_ipp_values PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  target_compile_options(netrov_ipp PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endif()
if(TARGET netrov_ipp_values)
  netrov_add_fuzzer(ipp_values SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/ipp_values.cpp" LINK netrov_ipp)
endif()
