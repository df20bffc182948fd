#include "cli/TerminalFrame.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDIN_FILENO 0
#define STDOUT_FILENO 1
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

namespace quarrow {

namespace {

const char* ansiColour(LogColor color) {
    switch (color) {
        case LogColor::Red:
            return "\x1b[31m";
        case LogColor::Green:
            return "\x1b[32m";
        case LogColor::Magenta:
            return "\x1b[35m";
        case LogColor::Blue:
            return "\x1b[34m";
        case LogColor::Default:
            break;
    }
    return "";
}

void writeErr(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

}  // namespace

TerminalFrame::TerminalFrame(QString programFolder)
    : m_programFolder(std::move(programFolder)),
      m_colourOut(isatty(STDOUT_FILENO) != 0),
      m_stderrIsTerminal(isatty(STDERR_FILENO) != 0),
      m_stdinIsTerminal(isatty(STDIN_FILENO) != 0) {}

void TerminalFrame::displayPrompt(const QString& oneLine) {
    endProgressLine();
    writeErr(oneLine + QLatin1Char('\n'));
}

namespace {

QString answerName(MessageAnswer answer) {
    switch (answer) {
        case MessageAnswer::Yes:
            return QStringLiteral("yes");
        case MessageAnswer::YesToAll:
            return QStringLiteral("yes to all");
        case MessageAnswer::NoToAll:
            return QStringLiteral("no to all");
        case MessageAnswer::Ok:
        case MessageAnswer::No:
            break;
    }
    return QStringLiteral("no");
}

}  // namespace

MessageAnswer TerminalFrame::showMessage(const MessageRequest& request) {
    endProgressLine();
    QString text = request.text;
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    writeErr(QStringLiteral("[%1] %2\n").arg(request.title, text));
    if (request.buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    if (m_policy) {
        if (const auto answer = m_policy(request)) {
            writeErr(QStringLiteral("-> %1\n").arg(answerName(*answer)));
            return *answer;
        }
    }
    if (!m_stdinIsTerminal) {
        writeErr(QStringLiteral("-> no (not asked: standard input is not a terminal)\n"));
        return MessageAnswer::No;
    }
    std::string line;
    if (request.buttons == MessageButtons::YesNoToAll) {
        writeErr(QStringLiteral("[y = yes, n = no, ya = yes to all, na = no to all; default no] "));
        if (!std::getline(std::cin, line))
            return MessageAnswer::No;
        if (line == "ya")
            return MessageAnswer::YesToAll;
        if (line == "na")
            return MessageAnswer::NoToAll;
        return line == "y" ? MessageAnswer::Yes : MessageAnswer::No;
    }
    writeErr(QStringLiteral("[y/N] "));
    if (!std::getline(std::cin, line))
        return MessageAnswer::No;
    return (!line.empty() && (line[0] == 'y' || line[0] == 'Y')) ? MessageAnswer::Yes : MessageAnswer::No;
}

void TerminalFrame::addLog(const QString& line, LogColor color) {
    endProgressLine();
    m_log.append(line);
    QByteArray bytes;
    const char* colour = m_colourOut ? ansiColour(color) : "";
    bytes += colour;
    bytes += line.toUtf8();
    if (*colour)
        bytes += "\x1b[0m";
    bytes += '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

void TerminalFrame::setStatusPanel(StatusPanel, const QString&) {}

void TerminalFrame::processEvents() {
    QCoreApplication::processEvents();
    if (m_pumpHook)
        m_pumpHook();
}

void TerminalFrame::showProgress(const RunProgress& progress) {
    const int percent = progress.maximum > 0 ? progress.position * 100 / progress.maximum : 0;
    // Into a file or a pipe every update would be a line of its own: every tenth only.
    if (!m_stderrIsTerminal) {
        if (percent / 10 == m_lastTenth && progress.position != progress.maximum)
            return;
        m_lastTenth = percent / 10;
    }
    showProgressLine(QStringLiteral("%1/%2 (%3%)  needed %4  remaining %5")
                         .arg(progress.position)
                         .arg(progress.maximum)
                         .arg(percent)
                         .arg(progress.timeNeeded, progress.timeRemaining));
}

void TerminalFrame::showProgressLine(const QString& text) {
    std::fflush(stdout);
    if (m_stderrIsTerminal) {
        writeErr(QStringLiteral("\r\x1b[K") + text);
        m_progressShown = true;
    } else {
        writeErr(text + QLatin1Char('\n'));
    }
}

void TerminalFrame::endProgressLine() {
    if (!m_progressShown)
        return;
    m_progressShown = false;
    writeErr(QStringLiteral("\r\x1b[K"));
}

}  // namespace quarrow
