# Read benchmark: inventory and a 1,000-row table by GetNext and by GetBulk
# through the delay relay, against net-snmp's snmpbulkwalk.
if(TARGET tessel_impl AND TARGET netrov_test_support AND NOT WIN32)
  find_package(Threads REQUIRED)
  add_executable(inventory_bench "${CMAKE_CURRENT_LIST_DIR}/inventory_bench.cpp" "${CMAKE_CURRENT_LIST_DIR}/delay_relay.cpp")
  target_include_directories(inventory_bench PRIVATE
    "${PROJECT_SOURCE_DIR}/snmpservice" "${PROJECT_SOURCE_DIR}/tests/snmpservice")
  target_link_libraries(inventory_bench PRIVATE tessel_impl zomxml netrov_test_support Threads::Threads)
  target_compile_definitions(inventory_bench PRIVATE NETROV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  set_target_properties(inventory_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench"
    BUILD_RPATH "${NETROV_OUTPUT_DIR}")
endif()
