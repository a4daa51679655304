# Helpers that give every NetRov library the same shape: an internal static
# library with the code, a shared library with only the exports, a version
# script, and a test that the exports match the module-definition file.

# netrov_add_internal(<name> SOURCES ... [LINK ...])
# Builds <name>_impl, the library's code without its exports, so tests,
# benchmarks and fuzz targets can reach the internals.
function(netrov_add_internal name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  add_library(${name}_impl STATIC ${ARG_SOURCES})
  target_include_directories(${name}_impl PUBLIC
    "${PROJECT_SOURCE_DIR}/include" "${CMAKE_CURRENT_SOURCE_DIR}")
  string(TOUPPER "${name}" upper)
  target_compile_definitions(${name}_impl PUBLIC ${upper}_BUILD)
  if(ARG_LINK)
    target_link_libraries(${name}_impl PUBLIC ${ARG_LINK})
  endif()
endfunction()

# netrov_add_library(<name> SOURCES exports.cpp [LINK ...])
# <name>.map (version script) and <name>.def (ordinals) must sit beside the
# CMake file.
function(netrov_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/include")
  string(TOUPPER "${name}" upper)
  target_compile_definitions(${name} PRIVATE ${upper}_BUILD)
  if(ARG_LINK)
    target_link_libraries(${name} PRIVATE ${ARG_LINK})
  endif()
  set(map "${CMAKE_CURRENT_SOURCE_DIR}/${name}.map")
  set(def "${CMAKE_CURRENT_SOURCE_DIR}/${name}.def")
  if(WIN32)
    netrov_windows_exports(${name} "${def}")
    return()
  endif()
  target_link_options(${name} PRIVATE "LINKER:--version-script=${map}")
  # Instrumented builds leave the sanitizer runtime to the program.
  if(NOT NETROV_SANITIZE AND NOT NETROV_FUZZ)
    target_link_options(${name} PRIVATE "LINKER:--no-undefined")
  endif()
  set_target_properties(${name} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY "${NETROV_OUTPUT_DIR}"
    LINK_DEPENDS "${map}"
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${name} LIBRARY DESTINATION "${NETROV_INSTALL_DIR}")
  if(NETROV_BUILD_TESTS)
    add_test(NAME abi.${name}.exports
      COMMAND python3 "${PROJECT_SOURCE_DIR}/tests/abi/check_exports.py"
              "$<TARGET_FILE:${name}>" "${CMAKE_CURRENT_SOURCE_DIR}/${name}.def" "${map}")
    set_tests_properties(abi.${name}.exports PROPERTIES LABELS unit)
  endif()
endfunction()

# The Windows side of netrov_add_library: the module-definition file gives the
# DLL its names and ordinals. On 32-bit Windows the entry points use the
# standard calling convention; the DLL exports them undecorated (--kill-at),
# while callers in other modules ask for the decorated names, so the import
# library is written again from the decorated names the compiler gave.
function(netrov_windows_exports name def)
  target_sources(${name} PRIVATE "${def}")
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    IMPORT_PREFIX "lib"
    RUNTIME_OUTPUT_DIRECTORY "${NETROV_OUTPUT_DIR}"
    LINK_DEPENDS "${def}")
  target_link_options(${name} PRIVATE "LINKER:--no-undefined")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${name} PRIVATE "LINKER:--kill-at,--enable-stdcall-fixup")
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DDLLTOOL=${CMAKE_DLLTOOL}
              -DDEF=${def} -DDLL=$<TARGET_FILE_NAME:${name}> -DIMPLIB=$<TARGET_LINKER_FILE:${name}>
              "-DOBJECTS=$<TARGET_OBJECTS:${name}>"
              -P "${PROJECT_SOURCE_DIR}/cmake/stdcall_import_library.cmake"
      VERBATIM)
  endif()
  install(TARGETS ${name} RUNTIME DESTINATION .)
  if(NETROV_BUILD_TESTS)
    add_test(NAME abi.${name}.exports
      COMMAND python3 "${PROJECT_SOURCE_DIR}/tests/abi/check_pe_exports.py"
              "$<TARGET_FILE:${name}>" "${def}" --objdump "${CMAKE_OBJDUMP}")
    set_tests_properties(abi.${name}.exports PROPERTIES LABELS unit)
  endif()
endfunction()

# netrov_add_gtest(<target> SOURCES ... LINK ... [LABEL unit|agent|netns|gui])
function(netrov_add_gtest target)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LINK" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LINK} netrov_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${target} PROPERTIES BUILD_RPATH "${NETROV_OUTPUT_DIR}")
  target_compile_definitions(${target} PRIVATE
    NETROV_OUTPUT_DIR="${NETROV_OUTPUT_DIR}"
    NETROV_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    NETROV_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator each start costs: one test per binary, which runs
    # all of its cases. The DLLs are found in the program folder.
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES LABELS ${ARG_LABEL} ENVIRONMENT "WINEPATH=Z:${NETROV_OUTPUT_DIR}")
    return()
  endif()
  # Agent tests serve loopback port 161: each process takes a network
  # namespace of its own (or waits its turn on a lock file), so they run side
  # by side. Tests that make named namespaces run one at a time, whichever
  # binary they come from. Parameterised suites name their cases themselves,
  # so the printed parameter stays out of the name.
  # Its object file is made once and linked into each agent program (its
  # constructor runs before main, so it cannot sit in a static library).
  if(ARG_LABEL STREQUAL "agent")
    if(NOT TARGET netrov_private_network)
      add_library(netrov_private_network OBJECT "${PROJECT_SOURCE_DIR}/tests/support/private_network.cpp"
        "${PROJECT_SOURCE_DIR}/tests/support/own_network.cpp")
      target_link_libraries(netrov_private_network PRIVATE GTest::gtest)
    endif()
    target_link_libraries(${target} PRIVATE netrov_private_network)
  endif()
  if(ARG_LABEL STREQUAL "unit" OR ARG_LABEL STREQUAL "agent")
    gtest_discover_tests(${target} NO_PRETTY_VALUES PROPERTIES LABELS ${ARG_LABEL} DISCOVERY_TIMEOUT 60)
  else()
    gtest_discover_tests(${target} NO_PRETTY_VALUES PROPERTIES LABELS ${ARG_LABEL}
      RESOURCE_LOCK netrov_network DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
