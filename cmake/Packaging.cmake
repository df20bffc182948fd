# The Windows installer: the desktop program and the command line with the Qt libraries
# and plugins they load (the SQLite and ODBC database drivers among them), and the
# shell-hook library beside them. `cpack` in a Windows build folder makes an NSIS
# installer (when NSIS is installed) and a zip file.
if(WIN32)
  install(TARGETS quarrow-cli RUNTIME DESTINATION .)
  if(TARGET quarrow)
    install(TARGETS quarrow RUNTIME DESTINATION .)
    qt_generate_deploy_app_script(TARGET quarrow OUTPUT_SCRIPT _quarrow_deploy NO_UNSUPPORTED_PLATFORM_ERROR)
    install(SCRIPT ${_quarrow_deploy})
  endif()
  set(CPACK_GENERATOR NSIS ZIP)
endif()

set(CPACK_PACKAGE_NAME Quarrow)
set(CPACK_PACKAGE_VENDOR Quarrow)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Finds the operators behind abnormal price moves of Chinese A shares")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Quarrow)
set(CPACK_NSIS_DISPLAY_NAME Quarrow)
set(CPACK_NSIS_PACKAGE_NAME Quarrow)
# A start-menu entry for the desktop program.
set(CPACK_PACKAGE_EXECUTABLES quarrow Quarrow)
include(CPack)
