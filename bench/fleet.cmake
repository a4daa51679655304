# Fleet benchmark: a 40-printer report and a device window's full load
# through delaying relays, by SNMPv2c against SNMPv1.
if(TARGET netrov_core AND TARGET netrov_test_support AND NOT WIN32)
  find_package(Threads REQUIRED)
  add_executable(fleet_bench "${CMAKE_CURRENT_LIST_DIR}/fleet_bench.cpp" "${CMAKE_CURRENT_LIST_DIR}/delay_relay.cpp")
  target_include_directories(fleet_bench PRIVATE "${PROJECT_SOURCE_DIR}/tests/snmpservice")
  target_link_libraries(fleet_bench PRIVATE netrov_core netrov_test_support Threads::Threads)
  target_compile_definitions(fleet_bench PRIVATE NETROV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  set_target_properties(fleet_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench"
    BUILD_RPATH "${NETROV_OUTPUT_DIR}")
  foreach(runtime tessel mirrel netrov_data)
    if(TARGET ${runtime})
      add_dependencies(fleet_bench ${runtime})
    endif()
  endforeach()
endif()
