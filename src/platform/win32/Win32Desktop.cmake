# The Qt-free half of the Windows backend: the desktop, sound, hot key and registry read in
# plain C++ and the Windows API, and the shell-hook library. The desktop program links it
# through quarrow_platform_win32; the Wine check (tests/windows) builds it with mingw-w64
# on its own, without Qt. Expects a quarrow_warnings target.
set(_win32_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(quarrow_desktop_win32 STATIC
  ${_win32_dir}/Win32Desktop.h ${_win32_dir}/Win32Desktop.cpp
  ${_win32_dir}/Win32Sound.h ${_win32_dir}/Win32Sound.cpp
  ${_win32_dir}/Win32System.h ${_win32_dir}/Win32System.cpp
  ${_win32_dir}/ShellHookLibrary.h
)
target_include_directories(quarrow_desktop_win32 PUBLIC ${_win32_dir}/../..)
# PSAPI is loaded on first use, not linked: a system without it still runs the program.
# shcore: the monitors' scaling.
target_link_libraries(quarrow_desktop_win32 PUBLIC user32 advapi32 winmm shcore PRIVATE quarrow_warnings)

# Loaded by the system into every program that makes or ends a top-level window, so it
# stays tiny and links nothing but the system.
add_library(quarrow_shellhook SHARED ${_win32_dir}/ShellHook.cpp ${_win32_dir}/ShellHookLibrary.h)
target_include_directories(quarrow_shellhook PRIVATE ${_win32_dir}/../..)
set_target_properties(quarrow_shellhook PROPERTIES PREFIX "" OUTPUT_NAME quarrow_shellhook)
target_link_libraries(quarrow_shellhook PRIVATE user32 quarrow_warnings)
if(MINGW)
  target_link_options(quarrow_shellhook PRIVATE -static-libgcc -static-libstdc++)
endif()
