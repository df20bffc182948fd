#include "support/WindowDesk.h"

#include "app/PlatformOptions.h"
#include "app/Settings.h"
#include "app/TextCodec.h"
#include "demo/DemoCorpus.h"
#include "demo/DemoTrades.h"
#include "gui/MainForm.h"
#include "gui/WidgetFrame.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "report/StockExtraction.h"
#include "store/DataBase.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStackedWidget>

namespace quarrow::test {

WindowDesk::WindowDesk(DeskOptions options) : folder(home.path()) {
    SystemClock clock;
    Settings settings(folder, clock);
    if (options.quoteStocks > 0) {
        QuoteFolderOptions quote;
        quote.stockCount = options.quoteStocks;
        quote.barCount = options.quoteBars;
        const QuoteFolderGenerator generator(quote);
        generated = generator.plan();
        const QString quoteFolder = home.file(QStringLiteral("quote"));
        QString error;
        EXPECT_TRUE(generator.write(quoteFolder, &error)) << error.toStdString();
        EXPECT_TRUE(settings.writeText(QStringLiteral("Folder"), QStringLiteral("hualin"),
                                       quoteFolder + QLatin1Char('/')));
    }
    if (options.corpusDocuments > 0) {
        DemoCorpusOptions corpus;
        corpus.stocks = options.quoteStocks;
        corpus.documentsPerStock = options.corpusDocuments;
        QString error;
        EXPECT_TRUE(DemoCorpus(corpus).write(folder, nullptr, &error)) << error.toStdString();
    }
    if (options.autoStart.isValid()) {
        EXPECT_TRUE(
            settings.writeTime(QStringLiteral("AutoStart"), QStringLiteral("Time"), options.autoStart));
        EXPECT_TRUE(settings.writeBool(QStringLiteral("AutoStart"), QStringLiteral("Start"), true));
    }
    PlatformOptions platformOptions = programPlatformOptions(folder);
    // The window's search for the quote program waits on this clock, not the real one.
    platformOptions.virtualClockStart = options.clockStart.isValid() ? options.clockStart : kStart;
    platform = createPlatform(platformOptions);
    if (options.beforeWindow)
        options.beforeWindow(*this);
    open();
}

WindowDesk::~WindowDesk() {
    // The window forwards its last events to the services: it goes first.
    form.reset();
}

void WindowDesk::open() {
    m_frame = std::make_unique<WidgetFrame>(folder.path() + QLatin1Char('/'));
    m_frame->setAnswerer([this](const MessageRequest& request) -> std::optional<MessageAnswer> {
        asked.append(request);
        pictureShown.append(form && form->findChild<QWidget*>(QStringLiteral("pnlHelpPicture")) != nullptr);
        if (onAsk)
            onAsk(request);
        if (request.buttons == MessageButtons::Ok)
            return MessageAnswer::Ok;
        const auto answer = answers.find(request.question);
        return answer != answers.end() ? answer->second : defaultAnswer;
    });
    m_services = std::make_unique<ProgramServices>(folder, *platform, *m_frame);
    form = std::make_unique<TMainForm>(*m_services, *m_frame);
}

void WindowDesk::reopen() {
    form.reset();
    m_services.reset();
    m_frame.reset();
    open();
}

void WindowDesk::show() {
    form->show();
    QCoreApplication::processEvents();
}

QString WindowDesk::promptText() const {
    return child<QLabel>(QStringLiteral("lblWarning"))->text();
}

bool WindowDesk::onTop() const {
    return form->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

QString WindowDesk::currentContentPage() const {
    return child<QStackedWidget>(QStringLiteral("PageControl"))->currentWidget()->objectName();
}

ProgramServices& WindowDesk::services() {
    return *m_services;
}

void saveScreenshot(QWidget& widget, const QString& name) {
    const QString folder =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("screenshots"));
    QDir().mkpath(folder);
    // A scaled run (QT_SCALE_FACTOR=1.5, as a desktop at 150 %) keeps its pictures beside
    // the others: "MainForm@150.png".
    QString file = name;
    const int percent = qRound(widget.devicePixelRatioF() * 100);
    if (percent != 100)
        file.insert(file.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1").arg(percent));
    EXPECT_TRUE(widget.grab().save(QDir(folder).filePath(file)));
}

void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, QPointF at) {
    QMouseEvent event(type, at, target->mapToGlobal(at), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void typeKey(QWidget* target, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
}

DeskOptions demoTradesDesk() {
    return {.quoteStocks = 12, .quoteBars = 120, .beforeWindow = [](WindowDesk& opening) {
                TDataBase db(opening.folder.databaseFile());
                ASSERT_TRUE(db.open());
                QString error;
                ASSERT_TRUE(storeDemoTrades(db, opening.generated, DemoTradeOptions{600, 8, 7}, &error))
                    << error.toStdString();
            }};
}

std::optional<StoredRows> storeReport(ProgramServices& services, const QString& code, const QString& name,
                                      const QString& report) {
    ExtractionAccount account;
    ExtractionOptions options;
    options.code = code;
    options.name = name;
    options.allChanges = true;
    if (!services.extraction(account)
             .run(TextCodec::splitLines(TextCodec::decode(dataFile(report))), options,
                  ExtractionCaller::Reanalysis)
             .ran)
        return std::nullopt;
    return account.storedRows;
}

}  // namespace quarrow::test
