#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace quarrow {

class Archiver;
class Clock;
class Desktop;
class NetworkState;
class ProcessLauncher;
class Shutdown;
class Sound;

// What a front end decides about the platform before it is built.
struct PlatformOptions {
    // Every wait, and the simulated programs, on a virtual clock that starts at this
    // moment: a whole run then costs our own CPU time only. Nothing: the real clock.
    std::optional<QDateTime> virtualClockStart;
    // How the simulated quote program reads the bytes of its pages as text (the program's
    // own text rules, which live above the platform).
    std::function<QString(const QByteArray&)> decodeText;
    // The title of the simulated quote program's main window: the selected edition's.
    std::function<QString()> quoteWindowTitle;
    // The nickname the simulated chat window is titled with (the settings file's); empty
    // for no chat window.
    std::function<QString()> chatNickname;
};

// The outside world of one program run, built once by each main and handed down: time,
// the desktop with the quote program and the chat window, sound, processes, the network,
// the power switch and the installed archiver.
class Platform {
public:
    virtual ~Platform() = default;
    virtual Clock& clock() = 0;
    virtual Desktop& desktop() = 0;
    virtual Sound& sound() = 0;
    virtual ProcessLauncher& launcher() = 0;
    virtual NetworkState& network() = 0;
    virtual Shutdown& shutdown() = 0;
    virtual const Archiver& archiver() = 0;

    // The system-wide hot key Ctrl+Alt+X for a window (its native handle): pressed runs
    // when the user presses it anywhere. False where there is none: the simulated desktop
    // has no system-wide keys, and on Windows a second copy of the program finds the key
    // taken. A window of 0 releases the key, as does the end of the platform.
    virtual bool registerStopHotKey(std::uintptr_t /*nativeWindow*/, std::function<void()> /*pressed*/) {
        return false;
    }
};

// Built by the backend the build chose: the real Windows desktop, or the simulated one
// beside the real services of a POSIX system.
std::unique_ptr<Platform> createPlatform(const PlatformOptions& options);

}  // namespace quarrow
