# SNMPv3 benchmarks against snmpd in a private network namespace: a /24
# search by v3 against v1, and an inventory by v3 against v2c.
if(NETROV_HAVE_USM AND TARGET netrov-cli AND TARGET netrov_test_support AND NOT WIN32)
  add_executable(v3_search_bench "${CMAKE_CURRENT_LIST_DIR}/v3_search_bench.cpp"
    "${PROJECT_SOURCE_DIR}/tests/cli/run_program.cpp")
  target_include_directories(v3_search_bench PRIVATE
    "${PROJECT_SOURCE_DIR}/tests/cli" "${PROJECT_SOURCE_DIR}/tests/snmpservice")
  target_link_libraries(v3_search_bench PRIVATE netrov_core netrov_test_support)
  target_compile_definitions(v3_search_bench PRIVATE NETROV_OUTPUT_DIR="${NETROV_OUTPUT_DIR}")
  set_target_properties(v3_search_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench"
    BUILD_RPATH "${NETROV_OUTPUT_DIR}")
  add_dependencies(v3_search_bench netrov-cli)
  foreach(runtime tessel netrov_data)
    if(TARGET ${runtime})
      add_dependencies(v3_search_bench ${runtime})
    endif()
  endforeach()
endif()

if(NETROV_HAVE_USM AND TARGET tessel_impl AND TARGET netrov_test_support AND NOT WIN32)
  find_package(Threads REQUIRED)
  add_executable(v3_inventory_bench "${CMAKE_CURRENT_LIST_DIR}/v3_inventory_bench.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/delay_relay.cpp")
  target_include_directories(v3_inventory_bench PRIVATE
    "${PROJECT_SOURCE_DIR}/snmpservice" "${PROJECT_SOURCE_DIR}/tests/snmpservice")
  target_link_libraries(v3_inventory_bench PRIVATE tessel_impl zomxml netrov_test_support Threads::Threads)
  target_compile_definitions(v3_inventory_bench PRIVATE NETROV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  set_target_properties(v3_inventory_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench"
    BUILD_RPATH "${NETROV_OUTPUT_DIR}")
endif()
