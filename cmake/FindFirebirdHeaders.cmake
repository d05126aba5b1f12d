# Finds the Firebird client's C header (ibase.h) and defines Firebird::Headers.
# The program loads the client library at run time, so only the header is needed. Set
# FirebirdHeaders_ROOT to a folder holding ibase.h to use another one.
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
find_path(FirebirdHeaders_INCLUDE_DIR ibase.h PATH_SUFFIXES firebird NO_CMAKE_FIND_ROOT_PATH)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(FirebirdHeaders REQUIRED_VARS FirebirdHeaders_INCLUDE_DIR)
if(FirebirdHeaders_FOUND AND NOT TARGET Firebird::Headers)
  updater_host_headers(dir firebird ${FirebirdHeaders_INCLUDE_DIR} ibase.h)
  add_library(Firebird::Headers INTERFACE IMPORTED)
  set_target_properties(Firebird::Headers PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${dir}")
endif()
