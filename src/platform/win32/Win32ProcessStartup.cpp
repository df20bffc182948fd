#include "platform/win32/Win32Services.h"

#include <QProcess>

#include <windows.h>

namespace quarrow {

void startWithoutWindow(QProcess& process) {
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* args) {
        args->flags |= CREATE_NO_WINDOW;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_HIDE;
    });
}

}  // namespace quarrow
