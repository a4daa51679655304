# Soak benchmark: 1,000 rounds of search and status through one tuva against
# a hostile agent on loopback, with resident memory and descriptors printed.
if(benchmark_FOUND AND TARGET netrov_test_support)
  add_executable(soak_bench "${CMAKE_CURRENT_LIST_DIR}/soak_bench.cpp")
  target_link_libraries(soak_bench PRIVATE netrov_core netrov_test_support benchmark::benchmark)
  target_compile_definitions(soak_bench PRIVATE NETROV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  set_target_properties(soak_bench PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench"
    BUILD_RPATH "${NETROV_OUTPUT_DIR}")
  if(TARGET tessel)
    add_dependencies(soak_bench tessel netrov_data)
  endif()
endif()
