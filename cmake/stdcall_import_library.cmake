# Writes the import library of a 32-bit Windows DLL whose entry points use the
# standard calling convention. The DLL exports "Name" (by the module-definition
# file, with --kill-at); a caller's object asks for "_Name@N". dlltool -k maps
# the one onto the other when given the decorated names with the same ordinals.
#   cmake -DNM= -DDLLTOOL= -DDEF= -DDLL= -DIMPLIB= -DOBJECTS="a.obj;b.obj" -P this
execute_process(COMMAND "${NM}" -g --defined-only ${OBJECTS}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "stdcall import library: ${NM} failed on ${OBJECTS}")
endif()

file(STRINGS "${DEF}" lines)
set(out "LIBRARY ${DLL}\nEXPORTS\n")
set(in_exports FALSE)
foreach(line IN LISTS lines)
  string(REGEX REPLACE ";.*" "" line "${line}")
  string(STRIP "${line}" line)
  if(line STREQUAL "EXPORTS")
    set(in_exports TRUE)
  elseif(in_exports AND line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)[ \t]+@([0-9]+)$")
    set(export "${CMAKE_MATCH_1}")
    set(ordinal "${CMAKE_MATCH_2}")
    # "_Name@N" for the standard convention, "_Name" for the C one.
    if(symbols MATCHES "[ \n]_${export}(@[0-9]+)\n")
      set(export "${export}${CMAKE_MATCH_1}")
    endif()
    string(APPEND out "    ${export} @${ordinal}\n")
  endif()
endforeach()

get_filename_component(dir "${IMPLIB}" DIRECTORY)
get_filename_component(base "${IMPLIB}" NAME_WE)
set(decorated "${dir}/${base}.decorated.def")
file(WRITE "${decorated}" "${out}")
execute_process(COMMAND "${DLLTOOL}" -k -d "${decorated}" -D "${DLL}" -l "${IMPLIB}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "stdcall import library: ${DLLTOOL} failed for ${DLL}")
endif()
