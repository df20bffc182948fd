#pragma once

// What the desktop and its shell-hook library agree on: the library's file name (beside
// the executable), its hook procedure's exported name and the class of the window it
// posts the notifications to. Plain macros: the library is C-like and tiny.
#define QUARROW_SHELL_HOOK_LIBRARY L"quarrow_shellhook.dll"
#define QUARROW_SHELL_HOOK_PROC "QuarrowShellProc"
#define QUARROW_SHELL_RECEIVER_CLASS L"QuarrowShellReceiver"
