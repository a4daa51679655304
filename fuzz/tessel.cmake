# tessel: a definition document and a reply datagram through the reply conversion.
if(NETROV_FUZZ AND TARGET tessel_impl)
  target_compile_options(tessel_impl PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endif()
netrov_add_fuzzer(tessel_reply SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tessel_reply.cpp"
  LINK tessel_impl zomxml_impl zomsnmp)
target_include_directories(fuzz_tessel_reply PRIVATE "${PROJECT_SOURCE_DIR}/snmpservice")
