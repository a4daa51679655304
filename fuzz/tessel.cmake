# tessel: a definition document and a reply datagram through the reply conversion.
if(NETROV_FUZZ AND TARGET tessel_impl)
  target_compile_options(tessel_impl PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endif()
netrov_add_fuzzer(tessel_reply SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tessel_reply.cpp"
  LINK tessel_impl zomxml_impl zomsnmp)
target_include_directories(fuzz_tessel_reply PRIVATE "${PROJECT_SOURCE_DIR}/snmpservice")

# tessel: packed job values (self-described, or with a tag definition).
netrov_add_fuzzer(packed_value SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/packed_value.cpp" LINK tessel_impl)
target_include_directories(fuzz_packed_value PRIVATE "${PROJECT_SOURCE_DIR}/snmpservice")

# tessel: one datagram as the reply to a table walk's GetBulk.
netrov_add_fuzzer(tessel_bulk_reply SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/tessel_bulk_reply.cpp"
  LINK tessel_impl zomxml_impl zomsnmp_impl)
target_include_directories(fuzz_tessel_bulk_reply PRIVATE "${PROJECT_SOURCE_DIR}/snmpservice")
