# The runnable program folder on Windows: beside the executables, the Qt plugins they load
# and every DLL their import tables name, with a qt.conf that points Qt at the folder.
# There is no deployment tool for a cross-build, so the install step reads the import
# tables itself (objdump when cross-building, dumpbin on Windows).

# The plugins the program loads: the window system, the styles, the database drivers
# (SQLite, and ODBC for a user's Access file), TLS, JPEG for the help pictures, and ICO for
# the swipe cursor (quarrow.cur beside the program, which only that plugin reads).
foreach(plugin IN ITEMS platforms:QWindowsIntegrationPlugin styles:QWindowsVistaStylePlugin
                        sqldrivers:QSQLiteDriverPlugin sqldrivers:QODBCDriverPlugin
                        tls:QSchannelBackendPlugin tls:QTlsBackendCertOnlyPlugin imageformats:QJpegPlugin
                        imageformats:QICOPlugin)
  string(REPLACE ":" ";" plugin ${plugin})
  list(GET plugin 0 folder)
  list(GET plugin 1 target)
  if(TARGET Qt6::${target})
    install(FILES $<TARGET_FILE:Qt6::${target}> DESTINATION ${folder})
  else()
    message(WARNING "The Qt plugin ${target} is missing: the program folder will lack ${folder}/")
  endif()
endforeach()

file(WRITE ${CMAKE_BINARY_DIR}/qt.conf "[Paths]\nPlugins = .\n")
install(FILES ${CMAKE_BINARY_DIR}/qt.conf DESTINATION .)

# Where the imported DLLs are: beside Qt's own, and in the bin folders of the prefixes.
get_target_property(_qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
if(NOT _qt_core_dll)
  get_target_property(_qt_core_dll Qt6::Core IMPORTED_LOCATION)
endif()
get_filename_component(_dll_dirs ${_qt_core_dll} DIRECTORY)
foreach(prefix IN LISTS CMAKE_PREFIX_PATH)
  list(APPEND _dll_dirs ${prefix}/bin)
endforeach()
set(_objdump "")
if(CMAKE_CROSSCOMPILING)
  set(_objdump ${CMAKE_OBJDUMP})
endif()
install(CODE "set(QUARROW_DLL_DIRS \"${_dll_dirs}\")\nset(QUARROW_OBJDUMP \"${_objdump}\")
set(QUARROW_DLL_LOOKUP \"${CMAKE_BINARY_DIR}/dll-lookup\")")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/DeployRuntimeDlls.cmake)
