// The commands of the main window's toolbar and menus, and its timer: each slot gathers
// what the user set and hands the work to the core or to the page that owns it.

#include "app/StockCode.h"
#include "app/TextCodec.h"
#include "app/Trim.h"
#include "app/Version.h"
#include "gui/DatabaseMessages.h"
#include "gui/MainForm.h"
#include "gui/MiningPage.h"
#include "gui/ProgressBox.h"
#include "gui/QueryPage.h"
#include "gui/RelayPage.h"
#include "gui/StockCodePage.h"
#include "gui/TrackRecordPage.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "program/ProgramServices.h"
#include "quotefiles/StockPicker.h"
#include "report/StockExtraction.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace quarrow {

namespace {

// The reason in Chinese alone: the database's own words are put in the user's.
QString windowReasonText(const JobOutcome& outcome) {
    const bool store = outcome.reason == JobReason::StoreFailed ||
                       outcome.reason == JobReason::StoreUnreadable ||
                       outcome.reason == JobReason::ReadOnlyStore || outcome.reason == JobReason::NoDatabase;
    if (!store || outcome.detail.isEmpty())
        return outcome.reasonText();
    JobOutcome words;
    words.reason = outcome.reason;
    return words.reasonText() + QStringLiteral(": ") + databaseErrorText(outcome.detail);
}

}  // namespace

void TMainForm::jobEnded(JobKind kind, const JobOutcome& outcome) {
    // Whatever the job left behind, the window must be usable again.
    stayOnTop(false);
    m_frame->enableCommands(true);
    m_progress->hide();
    // What a job stored shows in the query's date range, however old its days.
    if (outcome.dates.isValid())
        m_queryPage->widenDates(outcome.dates.from, outcome.dates.to);
    if (outcome.departmentsAdded)
        m_queryPage->enableDepartmentReload();
    // The mining run, the import and the filtered delete end with boxes of their own; the
    // others say here what went wrong.
    const bool worthABox = outcome.failed() && kind != JobKind::Mining && kind != JobKind::Fetch &&
                           kind != JobKind::StoreImport && kind != JobKind::FilteredDelete &&
                           outcome.reason != JobReason::NothingStored;
    if (worthABox && !m_closeAfterRun)
        m_frame->notify(QStringLiteral("%1没有完成:%2").arg(jobName(kind), windowReasonText(outcome)));
    if (m_closeAfterRun)
        QTimer::singleShot(0, this, &QWidget::close);
}

void TMainForm::stopRun() {
    btnStopClick();
}

QString TMainForm::currentCode() const {
    return m_code->text().trimmed();
}

void TMainForm::btnGetStockDocClick() {
    const QString code = currentCode();
    if (!isStockCode(code)) {
        m_frame->ShowPrompt(QStringLiteral("请输入6位股票代码"));
        return;
    }
    m_services.jobs().fetch(code, FetchSender::Button, m_miningPage->percent());
}

void TMainForm::btnSelectStockClick() {
    const QString code = currentCode();
    if (!isStockCode(code)) {
        m_frame->ShowPrompt(QStringLiteral("请输入6位股票代码"));
        return;
    }
    if (!m_services.fetch().selectStock(code))
        m_frame->ShowPrompt(QStringLiteral("无法在行情软件中选定股票 %1").arg(code));
}

void TMainForm::btnGetStockChangesClick() {
    ProgramServices& s = m_services;
    ExtractionOptions options;
    options.code = currentCode();
    options.name = s.stocks().nameOf(PrefixCode(options.code));
    options.allChanges = m_miningPage->allChanges();
    options.percent = m_miningPage->percent();
    options.rarFolder = s.settings().rarFolder();
    const QStringList memo = TextCodec::splitLines(m_capture->toPlainText());
    s.jobs().extract({memo}, options, ExtractionCaller::Button, m_manualAccount);
    m_code->setText(trimBlanks(options.code));
    // The status bar adds up the toolbar's extractions until a batch counts its own.
    m_frame->setStatusPanel(StatusPanel::AnomalyStocks, QString::number(m_manualAccount.savedChangeCount));
    m_frame->setStatusPanel(StatusPanel::BlockTrades, QString::number(m_manualAccount.savedBigCount));
}

void TMainForm::btnListStockQTYClick() {
    // "指定股票" lives on the query page; without it the listing shows every stock.
    m_stockPage->listShareCapital(m_queryPage->state().stockGiven);
}

void TMainForm::btnShowTrackRecordClick() {
    m_trackPage->showForRange(m_queryPage->state());
}

void TMainForm::btnStopClick() {
    m_services.run().requestStop();
    m_stop->setEnabled(false);
}

void TMainForm::btnClearClick() {
    m_promptMemo->clear();
    m_capture->clear();
    m_log->clear();
}

void TMainForm::btnApplicationClick() {
    if (m_functionPanel->isVisible() && m_functionPages->currentWidget() == m_queryPage)
        return;
    showContentPage(ContentPage::Main);
    hideFunctionPanel();
}

void TMainForm::PanelCloseITClick() {
    hideFunctionPanel();
}

QString TMainForm::manualFile() const {
    // The help file named like the program beside it (the Windows build makes one from
    // the HTML manual), else the HTML manual installed beside the program.
    const QFileInfo program(QCoreApplication::applicationFilePath());
    const QString chm =
        QDir(program.absolutePath()).filePath(program.completeBaseName() + QStringLiteral(".chm"));
    if (QFileInfo(chm).isFile())
        return chm;
    for (const QString& folder : {program.absolutePath(), m_services.folder().path()}) {
        const QString html = QDir(folder).filePath(QStringLiteral("manual/index.html"));
        if (QFileInfo(html).isFile())
            return html;
    }
    return {};
}

void TMainForm::menuManualClick() {
    showContentPage(ContentPage::Prompt);
    hideFunctionPanel();
    const QString manual = manualFile();
    if (manual.isEmpty()) {
        m_frame->ShowPrompt(QStringLiteral("没有找到使用教程(manual/index.html),请重新安装程序"));
        return;
    }
    if (!m_frame->openDocument(manual))
        m_frame->ShowPrompt(QStringLiteral("无法打开使用教程") + QDir::toNativeSeparators(manual));
}

void TMainForm::menuAboutMeClick() {
    QDialog about(this);
    about.setObjectName(QStringLiteral("AboutBox"));
    about.setWindowTitle(QStringLiteral("关于程序"));
    auto* layout = new QVBoxLayout(&about);
    auto* text = new QLabel(&about);
    text->setObjectName(QStringLiteral("lblAboutVersion"));
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    // The links open what the user has beside the program: its folder, where the settings,
    // the database and the documents are, and the manual when it is installed.
    const QString folder = QUrl::fromLocalFile(m_services.folder().path()).toString();
    const QString manual = manualFile();
    QString body = QStringLiteral(
                       "<h3>Quarrow %1</h3><p>龙虎榜营业部挖掘与查询</p>"
                       "<p><a href=\"%2\">程序文件夹</a></p>")
                       .arg(versionText().toHtmlEscaped(), folder);
    if (QFileInfo(manual).isFile())
        body +=
            QStringLiteral("<p><a href=\"%1\">使用说明</a></p>").arg(QUrl::fromLocalFile(manual).toString());
    text->setText(body);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
    connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    about.exec();
}

void TMainForm::menuUpdateClick() {
    const QString updater = m_services.folder().filePath(QStringLiteral("updater.exe"));
    if (!QFileInfo(updater).isFile()) {
        m_frame->notify(QStringLiteral("没有安装版本更新器!"));
        return;
    }
    constexpr int kUpdaterWait_ms = 15000;
    m_services.platform().launcher().run(updater, {QStringLiteral("/checknow")}, m_services.folder().path(),
                                         kUpdaterWait_ms, WhenTimedOut::LeaveRunning);
}

void TMainForm::menuStockWebSiteClick() {
    hideFunctionPanel();
    showContentPage(ContentPage::StockDoc);
    m_capture->clear();
    m_log->clear();
    QDesktopServices::openUrl(
        QUrl(QStringLiteral("https://quote.eastmoney.com/center/gridlist.html#hs_a_board")));
    m_frame->ShowHelpPicture(QStringLiteral("等待打开东方证券网页后,从网页上复制并生成全部股票代码."),
                             QStringLiteral("复制股票代码.jpg"), false);
}

void TMainForm::MenuSetupClick() {
    showFunctionPage(FunctionPage::Setup);
}

void TMainForm::tmrFlashWarningTimer() {
    ProgramServices& s = m_services;
    s.tick();
    m_frame->flashTick();
    // The relay's passes take the ticks while it is on; the daily start waits for it.
    if (m_relayPage->tick())
        return;
    // The automatic daily start, through the job runner: refused while any job holds the
    // run control, a question of one included.
    if (s.jobs().takeAutoStart(s.platform().clock().now()))
        m_miningPage->startAutomatically();
}

}  // namespace quarrow
