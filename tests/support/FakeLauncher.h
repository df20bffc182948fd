#pragma once

#include "platform/ProcessLauncher.h"

#include <QList>

namespace quarrow::test {

// Records the programs it is asked to run instead of running them.
class FakeLauncher final : public ProcessLauncher {
public:
    struct Call {
        QString program;
        QStringList arguments;
        QString workingFolder;
        int wait_ms;
        WhenTimedOut whenTimedOut;
    };

    LaunchResult run(const QString& program, const QStringList& arguments, const QString& workingFolder,
                     int wait_ms, WhenTimedOut whenTimedOut) override {
        calls.append({program, arguments, workingFolder, wait_ms, whenTimedOut});
        return result;
    }

    QList<Call> calls;
    LaunchResult result = LaunchResult::Finished;
};

}  // namespace quarrow::test
