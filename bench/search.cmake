# Search benchmark: one engine run and one netrov-cli run over a 254-address
# loopback range with 20 simulated printers, against braa and onesixtyone.
if(benchmark_FOUND AND TARGET netrov-cli AND TARGET netrov_test_support)
  add_executable(search_bench "${CMAKE_CURRENT_LIST_DIR}/search_bench.cpp")
  target_link_libraries(search_bench PRIVATE netrov_core netrov_test_support benchmark::benchmark)
  target_compile_definitions(search_bench PRIVATE
    NETROV_OUTPUT_DIR="${NETROV_OUTPUT_DIR}"
    NETROV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  set_target_properties(search_bench PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench"
    BUILD_RPATH "${NETROV_OUTPUT_DIR}")
  add_dependencies(search_bench netrov-cli)
  if(TARGET tessel)
    add_dependencies(search_bench tessel)
  endif()
endif()
