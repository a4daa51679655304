# A watch round of 1,000 simulated printers: the script runs the built netrov-cli against snmpsimd on loopback.
if(TARGET netrov-cli)
  add_custom_target(watch_round_bench
    COMMAND ${CMAKE_COMMAND} -E copy "${CMAKE_CURRENT_SOURCE_DIR}/watch_round_bench.py" "${CMAKE_BINARY_DIR}/bench/"
    DEPENDS netrov-cli
    COMMENT "watch_round_bench.py: run as root with the program folder, e.g. build/bench/watch_round_bench.py build/netrov")
endif()
