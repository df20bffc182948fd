// Times the desktop program's start: from the process's first line to the main window
// shown and painted, on a program folder the user gives (put a large database there, as
// bench_query --db makes one, named Quarrow.db). The window is shown on whatever display
// Qt finds; QT_QPA_PLATFORM=offscreen measures it without one.
//
//   bench_window --home DIR [--runs N]
//
// Each run builds and shows a new window in the same process, as a fresh start would,
// apart from the first run's loading of Qt's plugins and fonts: that first figure is the
// one a user waits for.

#include "app/PlatformOptions.h"
#include "app/ProgramFolder.h"
#include "gui/MainForm.h"
#include "gui/WidgetFrame.h"
#include "program/ProgramServices.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QFileInfo>
#include <QWindow>

#include <algorithm>
#include <cstdio>

using namespace quarrow;
using quarrow::bench::Stopwatch;

int main(int argc, char* argv[]) {
    const Stopwatch sinceStart;
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype homeAt = arguments.indexOf(QStringLiteral("--home"));
    const QString home = homeAt >= 0 && homeAt + 1 < arguments.size() ? arguments.at(homeAt + 1) : QString();
    const int runs = bench::argumentValue(arguments, QStringLiteral("--runs"), 3);
    if (home.isEmpty() || !QFileInfo(home).isDir()) {
        std::fprintf(stderr, "usage: bench_window --home DIR [--runs N]\n");
        return 2;
    }
    const ProgramFolder folder(home);
    // Without a settings file the window starts with the first-run question, which
    // waits for the user.
    if (!QFileInfo::exists(folder.settingsFile())) {
        std::fprintf(stderr, "%s has no settings file: start quarrow there once first\n",
                     qPrintable(folder.path()));
        return 2;
    }
    std::printf("program folder: %s (database %.1f MB)\n", qPrintable(folder.path()),
                static_cast<double>(QFileInfo(folder.databaseFile()).size()) / 1e6);

    for (int run = 0; run < std::max(1, runs); ++run) {
        const Stopwatch watch;
        PlatformOptions options = programPlatformOptions(folder);
        // Virtual time: the quote program's search after the first paint waits on the
        // clock, and that wait is not part of the start.
        options.virtualClockStart = QDateTime::currentDateTime();
        const std::unique_ptr<Platform> platform = createPlatform(options);
        WidgetFrame frame(folder.path() + QLatin1Char('/'));
        ProgramServices services(folder, *platform, frame);
        TMainForm window(services, frame);
        window.show();
        while (!window.windowHandle() || !window.windowHandle()->isExposed())
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();  // the first paint
        const double shown_ms = watch.seconds() * 1000.0;
        if (run == 0)
            std::printf("process start to window shown: %.1f ms\n", sinceStart.seconds() * 1000.0);
        std::printf("run %d: window built and shown in %.1f ms\n", run + 1, shown_ms);
    }
    std::printf("memory: %ld KiB peak of the process\n", bench::peakMemoryKb());
    return 0;
}
