# Sweep benchmark: netrov-cli over a loopback /16 with 20 simulated printers,
# against braa over the same block.
if(TARGET netrov-cli AND TARGET netrov_test_support)
  add_executable(sweep_bench "${CMAKE_CURRENT_LIST_DIR}/sweep_bench.cpp")
  target_link_libraries(sweep_bench PRIVATE netrov_test_support)
  target_compile_definitions(sweep_bench PRIVATE
    NETROV_OUTPUT_DIR="${NETROV_OUTPUT_DIR}"
    NETROV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  set_target_properties(sweep_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
  add_dependencies(sweep_bench netrov-cli)
  if(TARGET tessel)
    add_dependencies(sweep_bench tessel)
  endif()
endif()
