# Header-only pieces (the Firebird header, SimpleIni, CLI11) come from the build machine's
# Debian packages. A cross build must not see the rest of the machine's /usr/include, so it
# gets private copies of just those headers.
#   updater_host_headers(OUT_VAR NAME FOLDER ITEM...)
# sets OUT_VAR to the folder to add to the include path: FOLDER itself in a native build, a copy
# of FOLDER's ITEMs (files or folders) under the build tree in a cross build.
function(updater_host_headers out_var name folder)
  if(NOT CMAKE_CROSSCOMPILING)
    set(${out_var} "${folder}" PARENT_SCOPE)
    return()
  endif()
  set(copy "${CMAKE_BINARY_DIR}/host-headers/${name}")
  foreach(item IN LISTS ARGN)
    file(COPY "${folder}/${item}" DESTINATION "${copy}")
  endforeach()
  set(${out_var} "${copy}" PARENT_SCOPE)
endfunction()
