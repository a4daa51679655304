# The forecast's accuracy on replayed printers with known truth, the store's size and read time for a year of a fleet,
# and the demonstration's year of history.
if(TARGET netrov_store)
  add_executable(forecast_accuracy_bench
    "${CMAKE_CURRENT_SOURCE_DIR}/forecast_accuracy_bench.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/forecast_replay.cpp")
  target_link_libraries(forecast_accuracy_bench PRIVATE netrov_store)
  add_executable(forecast_store_bench "${CMAKE_CURRENT_SOURCE_DIR}/forecast_store_bench.cpp")
  target_link_libraries(forecast_store_bench PRIVATE netrov_store)
  add_executable(forecast_demo_store "${CMAKE_CURRENT_SOURCE_DIR}/forecast_demo_store.cpp")
  target_link_libraries(forecast_demo_store PRIVATE netrov_store)
  set_target_properties(forecast_accuracy_bench forecast_store_bench forecast_demo_store
    PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
endif()
