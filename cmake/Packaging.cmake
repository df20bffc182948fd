# The Windows package: the desktop program, the command line and the server with the Qt
# libraries and plugins they load (the SQLite and ODBC database drivers among them) and the
# shell-hook library beside them. `cpack` in a Windows build folder makes an NSIS installer
# (when NSIS is installed) and a zip file; scripts/build-windows does it from Linux.
if(WIN32)
  install(TARGETS quarrow-cli quarrow-server RUNTIME DESTINATION .)
  if(TARGET quarrow)
    install(TARGETS quarrow RUNTIME DESTINATION .)
  endif()
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsDeployment.cmake)
  set(CPACK_GENERATOR NSIS ZIP)
endif()

set(CPACK_PACKAGE_NAME Quarrow)
set(CPACK_PACKAGE_VENDOR Quarrow)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Finds the operators behind abnormal price moves of Chinese A shares")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Quarrow)
set(CPACK_PACKAGE_FILE_NAME Quarrow-${PROJECT_VERSION}-win64)
set(CPACK_NSIS_DISPLAY_NAME Quarrow)
set(CPACK_NSIS_PACKAGE_NAME Quarrow)
# Our own installer script: one for a user without administrator rights, in Chinese and
# English, that never touches the data the program keeps in its folder.
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/nsis)
set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS -INPUTCHARSET UTF8)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackPerGenerator.cmake)
include(CPack)
