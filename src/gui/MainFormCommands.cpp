// The commands of the main window: each slot gathers what the user set and hands the
// work to the core.

#include "app/StockCode.h"
#include "app/Version.h"
#include "automation/AlarmPlayer.h"
#include "gui/MainForm.h"
#include "gui/MiningPage.h"
#include "gui/ProgressBox.h"
#include "gui/QueryPage.h"
#include "gui/StockCodePage.h"
#include "monitor/MainForceRelay.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "program/ProgramServices.h"
#include "quotefiles/StockPicker.h"
#include "report/SavedDocuments.h"
#include "report/StockExtraction.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace quarrow {

void TMainForm::runJob(const std::function<void()>& job) {
    QString failure;
    try {
        job();
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    }
    // Whatever the job left behind, the window must be usable again.
    ProgramServices& s = m_services;
    if (s.run().isActive())
        s.run().finish(QStringLiteral("任务意外中止"), false, nullptr);
    s.schedule().miningActive = false;
    stayOnTop(false);
    m_frame->enableCommands(true);
    m_progress->hide();
    if (!failure.isEmpty())
        m_frame->notify(failure);
    if (m_closeAfterRun)
        QTimer::singleShot(0, this, &QWidget::close);
}

MiningWindowHooks TMainForm::miningHooks() {
    MiningWindowHooks hooks;
    hooks.bringToFront = [this] {
        raise();
        activateWindow();
    };
    hooks.stayOnTop = [this](bool on) { stayOnTop(on); };
    hooks.showPromptPage = [this] {
        hideFunctionPanel();
        showContentPage(QStringLiteral("TabSheetPrompt"));
    };
    hooks.showStock = [this](const QString& code, const QString& name) {
        m_code->setText(code);
        m_stockName->setText(name);
        m_stockName->setToolTip(PrefixCode(code));
    };
    hooks.showResults = [this] { m_queryPage->showStoredResults(); };
    hooks.refreshDepartments = [this] { m_queryPage->btnRefreshDepartmentClick(); };
    return hooks;
}

void TMainForm::btnGetAllOfTheNewDocsClick() {
    ProgramServices& s = m_services;
    if (s.run().isActive())
        return;
    runJob([&] {
        MiningRun mining = s.miningRun(miningHooks());
        MiningOptions options = m_miningPage->options();
        const MiningOptions wired = s.miningOptions();
        options.quoteFolder = wired.quoteFolder;
        options.rarFolder = wired.rarFolder;
        m_lastMining = mining.run(options);
    });
}

void TMainForm::btnGetAllFromTxtDocsClick() {
    ProgramServices& s = m_services;
    if (s.run().isActive())
        return;
    const QList<StockRow> rows = s.stockRows();
    const MiningOptions chosen = m_miningPage->options();
    ReanalysisOptions options = s.reanalysisOptions();
    options.allChanges = chosen.allChanges;
    options.percent = chosen.percent;
    options.shutdownWhenDone = chosen.shutdownWhenDone;
    hideFunctionPanel();
    showContentPage(QStringLiteral("TabSheetStockDoc"));
    runJob([&] {
        ReanalysisBatch batch = s.reanalysis();
        // Like the mining run, the batch keeps the window in front while it works.
        stayOnTop(true);
        m_lastReanalysis = batch.run(rows, options);
        if (!m_lastReanalysis.storeError.isEmpty())
            m_frame->notify(QStringLiteral("数据保存失败: %1").arg(m_lastReanalysis.storeError));
        if (m_lastReanalysis.reloadDepartments)
            m_queryPage->btnRefreshDepartmentClick();
    });
}

void TMainForm::btnReadStDocumentsClick() {
    ProgramServices& s = m_services;
    if (!m_documents)
        m_documents = std::make_unique<SavedDocuments>(s.folder(), s.platform().launcher(), *m_frame);
    m_documents->browseStock(currentCode(), s.settings().rarFolder());
    m_documentList->clear();
    m_documentList->addItems(m_documents->names());
    if (m_documents->selected() >= 0) {
        m_documentList->setCurrentRow(m_documents->selected());
        m_capture->setPlainText(m_documents->lines().join(QLatin1Char('\n')));
    }
}

void TMainForm::ListBoxStDocClick() {
    const int row = m_documentList->currentRow();
    if (!m_documents || row < 0)
        return;
    const auto opened = m_documents->open(row, SavedDocuments::Sender::List, currentCode(),
                                          m_services.settings().rarFolder());
    if (opened.showDocumentPage) {
        hideFunctionPanel();
        showContentPage(QStringLiteral("TabSheetStockDoc"));
    }
    if (opened.loaded)
        m_capture->setPlainText(m_documents->lines().join(QLatin1Char('\n')));
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
    runJob([&] { m_services.fetch().fetch(code, FetchSender::Button, m_miningPage->percent()); });
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
    const QStringList memo = m_capture->toPlainText().split(QLatin1Char('\n'));
    runJob([&] {
        StockExtraction extraction = s.extraction();
        const ExtractionResult result = extraction.run(memo, options, ExtractionCaller::Button);
        if (result.storeFailed)
            m_frame->notify(QStringLiteral("数据保存失败: %1").arg(result.storeError));
    });
    if (s.totals().departmentsAdded)
        m_queryPage->enableDepartmentReload();
    m_code->setText(options.code);
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
    const bool queryShowing = m_functionPanel->isVisible() &&
                              m_functionPages->currentWidget()->objectName() == QLatin1String("TabGetFromDB");
    if (queryShowing)
        return;
    showContentPage(QStringLiteral("TabSheetMain"));
    hideFunctionPanel();
}

void TMainForm::PanelCloseITClick() {
    hideFunctionPanel();
}

void TMainForm::menuManualClick() {
    showContentPage(QStringLiteral("TabSheetPrompt"));
    hideFunctionPanel();
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
    const QString manual = m_services.folder().filePath(QStringLiteral("README.md"));
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
    showContentPage(QStringLiteral("TabSheetStockDoc"));
    m_capture->clear();
    m_log->clear();
    QDesktopServices::openUrl(
        QUrl(QStringLiteral("https://quote.eastmoney.com/center/gridlist.html#hs_a_board")));
    m_frame->ShowHelpPicture(QStringLiteral("等待打开东方证券网页后,从网页上复制并生成全部股票代码."),
                             QStringLiteral("复制股票代码.jpg"), false);
}

void TMainForm::edtStockCodeExit() {
    m_stockPage->edtStockCodeExit();
}

void TMainForm::MenuSetupClick() {
    showFunctionPage(QStringLiteral("TabSheetSetup"));
}

void TMainForm::tmrFlashWarningTimer() {
    ProgramServices& s = m_services;
    s.tick();
    m_frame->flashTick();
    // The relay's passes take the ticks while it is on; the daily start waits for it.
    if (m_relay->tick())
        return;
    const QDateTime now = s.platform().clock().now();
    if (s.schedule().autoStartDue(now, s.setup().autoStartEnabled(), s.run().isActive(),
                                  s.setup().IsTradingDay(true))) {
        s.schedule().runStarted(now.date());
        m_miningPage->startButton()->click();
    }
}

}  // namespace quarrow
