# The rule of the layers, checked by the test core_layers (cmake -P):
# a file of the computational core (every src/*/ file whose name does not
# end in _window, _widget, _render or _cli, begins with cli_ (cli_main.cpp,
# the commands' shared header cli_common.h) or is main.cpp)
# includes no Qt header and no header of the windows, the renderer or the
# command line.
file(GLOB zelvar_files ${SOURCE_DIR}/src/*/*.cpp ${SOURCE_DIR}/src/*/*.h)
set(zelvar_bad)
foreach(f IN LISTS zelvar_files)
  get_filename_component(n ${f} NAME_WE)
  if(n MATCHES "_(window|widget|render|cli)$" OR n MATCHES "^cli_" OR n STREQUAL "main")
    continue()
  endif()
  file(STRINGS ${f} zelvar_includes
       REGEX "^[ \t]*#[ \t]*include[ \t]*(<Q|<qt|\"[^\"]*_(window|widget|render|cli)\\.h\")")
  foreach(line IN LISTS zelvar_includes)
    string(APPEND zelvar_bad "\n  ${f}: ${line}")
  endforeach()
endforeach()
if(zelvar_bad)
  message(FATAL_ERROR "Files of the core include the Qt or front-end headers:${zelvar_bad}")
endif()
message(STATUS "The core's files include no Qt or front-end header")
