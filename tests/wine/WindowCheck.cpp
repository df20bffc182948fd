// The desktop program's window as quarrow.exe wires it, on the platform of the system it
// runs on (the real Windows desktop and window system, under Wine here): it shows with the
// stock count in its status bar, its query page lists the stored rows, a screenshot of it is
// kept, and it closes in good order. One PASS or FAIL line per check, exit status 1 when
// any failed.
//
//   quarrow-window-check --home DIR --stocks N --rows N --screenshot FILE

#include "app/PlatformOptions.h"
#include "app/ProgramFolder.h"
#include "gui/MainForm.h"
#include "gui/QueryPage.h"
#include "gui/QueryResultModel.h"
#include "gui/WidgetFrame.h"
#include "program/ProgramServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <memory>

using namespace quarrow;

namespace {

int g_failures = 0;

void check(bool ok, const char* name, const QString& detail = {}) {
    if (!ok)
        ++g_failures;
    std::printf("%s %s%s%s\n", ok ? "PASS" : "FAIL", name, ok || detail.isEmpty() ? "" : ": ",
                ok ? "" : detail.toUtf8().constData());
    std::fflush(stdout);
}

bool waitFor(const std::function<bool()>& condition, int timeout_ms) {
    const QDeadlineTimer deadline(timeout_ms);
    for (;;) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
}

bool click(TMainForm& window, const QString& name) {
    auto* button = window.findChild<QAbstractButton*>(name);
    if (!button)
        return false;
    button->click();
    QApplication::processEvents();
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption home(QStringLiteral("home"), QStringLiteral("Program folder."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption stocks(QStringLiteral("stocks"), QStringLiteral("Stocks on the list."),
                                    QStringLiteral("N"));
    const QCommandLineOption rows(QStringLiteral("rows"), QStringLiteral("Rows the query page lists."),
                                  QStringLiteral("N"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"), QStringLiteral("Screenshot file."),
                                        QStringLiteral("FILE"));
    parser.addOptions({home, stocks, rows, screenshot});
    parser.process(app);

    // Wired as the program's main wires it; nobody sits at the window, so a question gets
    // its safe answer and is named.
    const ProgramFolder folder = ProgramFolder::resolve(parser.value(home));
    const std::unique_ptr<Platform> platform = createPlatform(programPlatformOptions(folder));
    WidgetFrame frame(folder.path() + QLatin1Char('/'));
    frame.setAnswerer([](const MessageRequest& request) -> std::optional<MessageAnswer> {
        std::printf("asked: %s\n", request.text.toUtf8().constData());
        return request.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    });
    ProgramServices services(folder, *platform, frame);
    auto window = std::make_unique<TMainForm>(services, frame);
    window->show();
    check(waitFor([&] { return window->windowHandle() && window->windowHandle()->isExposed(); }, 30000),
          "window: shown on the display");

    // The swipe cursor is a .cur file, which Qt reads only through its ICO plugin.
    check(QImageReader::supportedImageFormats().contains("cur"),
          "window: the program folder's image plugins read the cursor file (.cur)");

    const auto* count = window->findChild<QLabel*>(QStringLiteral("statMainPanel1"));
    check(count && count->text() == parser.value(stocks), "window: the status bar shows the stock count",
          count ? count->text() : QStringLiteral("no panel"));

    auto* query = window->findChild<QueryPage*>(QStringLiteral("TabGetFromDB"));
    check(click(*window, QStringLiteral("btnMainQuery")) && query && query->isVisible(),
          "window: the query page opens");
    // Every day stored, as a user unticks the first day the page opens with (today).
    auto* from = window->findChild<QCheckBox*>(QStringLiteral("DateFromChecked"));
    if (from)
        from->setChecked(false);
    qsizetype listed = -1;
    if (query && from && click(*window, QStringLiteral("btnDepart_Buy_Sale"))) {
        QueryResultModel& model = *query->resultModel();
        while (model.canFetchMore({}))
            model.fetchMore({});
        listed = model.rowCount();
    }
    check(listed > 0 && QString::number(listed) == parser.value(rows),
          "window: the query page lists the stored rows",
          QStringLiteral("%1 rows, expected %2").arg(listed).arg(parser.value(rows)));

    // What the screen shows, through the window system: the page with its rows.
    waitFor([] { return false; }, 500);
    const QPixmap shot = window->screen()->grabWindow(window->winId());
    check(!shot.isNull() && shot.save(parser.value(screenshot)),
          "window: a screenshot of the query page is kept", parser.value(screenshot));

    check(window->close() && waitFor([&] { return !window->isVisible(); }, 10000),
          "window: closes in good order");
    window.reset();
    std::printf("%s: %d check(s) failed\n", g_failures == 0 ? "passed" : "FAILED", g_failures);
    return g_failures == 0 ? 0 : 1;
}
