# Runs at install time, after the executables and plugins are in place: copies beside them
# every DLL that their import tables name and that is not the system's, following the
# imports of those DLLs in turn. A DLL not found anywhere is taken to be the system's; one
# that is plainly ours or Qt's must be found.
set(_prefix "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(GLOB _executables "${_prefix}/*.exe")
file(GLOB _libraries "${_prefix}/*.dll" "${_prefix}/*/*.dll")
set(_lookup ${QUARROW_DLL_DIRS})
if(QUARROW_OBJDUMP)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${QUARROW_OBJDUMP})
  # CMake looks a DLL up by its name in lower case, as Windows' file names know no case; the
  # build machine's do. A folder of lower-case links to the DLLs lets it find them.
  set(_lookup ${QUARROW_DLL_LOOKUP})
  file(REMOVE_RECURSE ${_lookup})
  file(MAKE_DIRECTORY ${_lookup})
  foreach(_dir IN LISTS QUARROW_DLL_DIRS)
    file(GLOB _dlls "${_dir}/*.dll" "${_dir}/*.DLL")
    foreach(_dll IN LISTS _dlls)
      get_filename_component(_name ${_dll} NAME)
      string(TOLOWER ${_name} _name)
      if(NOT EXISTS ${_lookup}/${_name})
        file(CREATE_LINK ${_dll} ${_lookup}/${_name} SYMBOLIC)
      endif()
    endforeach()
  endforeach()
endif()
file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES ${_executables}
  LIBRARIES ${_libraries}
  DIRECTORIES ${_lookup}
  RESOLVED_DEPENDENCIES_VAR _found
  UNRESOLVED_DEPENDENCIES_VAR _system
  PRE_EXCLUDE_REGEXES "^api-ms-win-" "^ext-ms-"
  POST_EXCLUDE_REGEXES "[/\\\\][Ss][Yy][Ss][Tt][Ee][Mm]32[/\\\\]" "[/\\\\][Ww][Ii][Nn][Dd][Oo][Ww][Ss][/\\\\][^/\\\\]+$")
get_filename_component(_target ${_prefix} REALPATH)
foreach(_dll IN LISTS _found)
  # The file itself, under its own name.
  get_filename_component(_dll ${_dll} REALPATH)
  get_filename_component(_dir ${_dll} DIRECTORY)
  if(NOT _dir STREQUAL _target)
    file(INSTALL ${_dll} DESTINATION ${_prefix})
  endif()
endforeach()
list(SORT _system)
set(_missing "")
foreach(_dll IN LISTS _system)
  if(_dll MATCHES "^(qt6|lib|sqlite|gumbo|icu|quarrow)")
    list(APPEND _missing ${_dll})
  endif()
endforeach()
if(_missing)
  message(FATAL_ERROR "Not found for the program folder: ${_missing} (looked in ${QUARROW_DLL_DIRS})")
endif()
string(REPLACE ";" " " _system "${_system}")
message(STATUS "Taken from Windows: ${_system}")
