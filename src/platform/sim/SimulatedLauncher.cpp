#include "platform/sim/SimulatedLauncher.h"

#include "platform/Clock.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimQuoteProgram.h"

#include <QFileInfo>

namespace quarrow {

SimulatedLauncher::SimulatedLauncher(SimDesktop& desktop, Clock& clock, ProcessLauncher& real,
                                     std::function<QString()> title)
    : m_desktop(desktop), m_clock(clock), m_real(real), m_title(std::move(title)) {}

LaunchResult SimulatedLauncher::run(const QString& program, const QStringList& arguments,
                                    const QString& workingFolder, int wait_ms, WhenTimedOut whenTimedOut) {
    QString path = program;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));  // a path made the Windows way
    const QFileInfo file(path);
    if (file.fileName().compare(QLatin1String("TdxW.exe"), Qt::CaseInsensitive) != 0)
        return m_real.run(program, arguments, workingFolder, wait_ms, whenTimedOut);
    if (!file.isFile())
        return LaunchResult::FailedToStart;
    SimQuoteProgram& quote = m_desktop.startQuoteProgram(
        file.absolutePath(), m_title ? m_title() : QStringLiteral("华林证券网上交易"));
    if (wait_ms <= 0)
        return LaunchResult::Finished;
    m_clock.sleep(wait_ms);
    if (whenTimedOut == WhenTimedOut::End)
        quote.quit();
    return LaunchResult::TimedOut;
}

}  // namespace quarrow
