#pragma once

// quarrow-cli run as a separate process, as a user or a script meets it. The including
// test target defines QUARROW_CLI as the program's path.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace quarrow::test {

struct CliRun {
    int status = -1;  // the exit status; -1 when it crashed or did not end in time
    QString out;
    QString err;
};

// stdoutFile: where standard output goes instead of a pipe (for example /dev/full).
inline CliRun runCli(const QStringList& arguments, const QString& stdoutFile = QString()) {
    QProcess process;
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(QStringLiteral(QUARROW_CLI), arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << arguments.join(QLatin1Char(' ')).toStdString();
    CliRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

}  // namespace quarrow::test
