#pragma once

#include "platform/Archiver.h"
#include "platform/NetworkState.h"
#include "platform/Shutdown.h"

class QProcess;

namespace quarrow {

// Starts a console tool without the console window Windows would give it.
void startWithoutWindow(QProcess& process);

// The system's connected-state query.
class Win32NetworkState final : public NetworkState {
public:
    bool isConnected() const override;
};

// Takes the shutdown privilege and asks the system to shut down and power off.
class Win32Shutdown final : public Shutdown {
public:
    ShutdownResult powerOff() override;
};

// WinRAR as its installer records it: the folder of its App Paths entry, "RAR.exe" to
// pack and "WinRAR.exe" to show an archive.
class Win32Archiver final : public Archiver {
public:
    QString installedFolder() const override;
    QString packerName() const override { return QStringLiteral("RAR.exe"); }
    QString viewerName() const override { return QStringLiteral("WinRAR.exe"); }
};

}  // namespace quarrow
