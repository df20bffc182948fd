#pragma once

// quarrow-cli run as a separate process, as a user or a script meets it. The including
// test target defines QUARROW_CLI as the program's path.

#include "support/FaultInjection.h"

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <unistd.h>

#include <optional>

namespace quarrow::test {

struct CliRun {
    int status = -1;  // the exit status; -1 when it crashed or did not end in time
    QString out;
    QString err;
};

struct CliCall {
    QString stdoutFile;                   // standard output into this file (say /dev/full), not a pipe
    QStringList asUser;                   // a prefix that runs the program as another user
    std::optional<rlim_t> fileSizeLimit;  // a full disk for the program alone
    int timeout_ms = 120000;
};

inline CliRun runCli(const QStringList& arguments, const CliCall& call = {}) {
    QProcess process;
    if (!call.stdoutFile.isEmpty())
        process.setStandardOutputFile(call.stdoutFile);
    const QStringList command = call.asUser + QStringList{QStringLiteral(QUARROW_CLI)} + arguments;
    // Another user may not enter the test's own working folder (a checkout only its owner
    // can enter); every user can enter the root.
    if (!call.asUser.isEmpty())
        process.setWorkingDirectory(QDir::rootPath());
    {
        // The child inherits the limit; the test itself gets its disk back at once.
        std::optional<FileSizeLimit> fullDisk;
        if (call.fileSizeLimit)
            fullDisk.emplace(*call.fileSizeLimit);
        process.start(command.first(), command.mid(1));
        EXPECT_TRUE(process.waitForStarted(60000)) << command.join(QLatin1Char(' ')).toStdString();
    }
    EXPECT_TRUE(process.waitForFinished(call.timeout_ms)) << command.join(QLatin1Char(' ')).toStdString();
    CliRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Root reads, lists and writes anything, so a test of a refused folder runs the program
// as nobody, who is handed `folder` first. Empty when the tests do not run as root.
// Nobody may not reach the checkout: what the program reads goes into `folder` first
// (copyDataFile).
inline QStringList asNobodyWhenRoot(const QString& folder) {
    if (geteuid() != 0)
        return {};
    EXPECT_EQ(QProcess::execute(QStringLiteral("chown"),
                                {QStringLiteral("-R"), QStringLiteral("65534:65534"), folder}),
              0);
    return {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
            QStringLiteral("--clear-groups")};
}

}  // namespace quarrow::test
