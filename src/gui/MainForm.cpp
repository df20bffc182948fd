#include "gui/MainForm.h"

#include "gui/DatabaseMessages.h"
#include "gui/DocumentPage.h"
#include "gui/DownloadCommand.h"
#include "gui/FollowCommands.h"
#include "gui/FollowedPage.h"
#include "gui/GridExport.h"
#include "gui/ImportCommand.h"
#include "gui/MiningPage.h"
#include "gui/PageWidgets.h"
#include "gui/ProgressBox.h"
#include "gui/QueryPage.h"
#include "gui/RelayPage.h"
#include "gui/RunMouseFilter.h"
#include "gui/SetupPage.h"
#include "gui/StockCodePage.h"
#include "gui/TrackRecordPage.h"
#include "gui/WindowMemory.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "quotefiles/StockPicker.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace quarrow {

namespace {

constexpr int kTick_ms = 500;
// A press and release further apart than this is a swipe, not a click.
constexpr int kSwipeThreshold_px = 15;
// Room between the prompt line's text and its frame.
constexpr int kPromptInset_px = 2;

const QString kFirstRunPrompt = QStringLiteral("请先设置华林证券或东方证券行情分析软件的安装位置以及QQ昵称!");

// The guide the prompt page shows; its first line greets the user on the prompt line.
const QStringList kGuide{
    QStringLiteral("欢迎使用Quarrow:先在\"系统设置\"中设定行情软件的安装位置,再\"挖掘操盘庄家\"."),
    QStringLiteral("挖掘前请运行行情分析软件,下载盘后数据,按F10后打开\"龙虎榜单\"."),
    QStringLiteral("挖掘期间:点击鼠标右键暂停,点击鼠标左键继续或终止."),
};

// The data menu's commands that read, write or compute what a running job may be using.
const QStringList kDataMenuJobs{QStringLiteral("btnLoadCodeName"),  QStringLiteral("btnMyselfCodeName"),
                                QStringLiteral("menuSaveSelfCode"), QStringLiteral("MenuLoadStockQTY"),
                                QStringLiteral("menuRefreshName"),  QStringLiteral("menuTrackRecord"),
                                QStringLiteral("menuDigest"),       QStringLiteral("menuImportDb")};

}  // namespace

TMainForm::TMainForm(ProgramServices& services, WidgetFrame& frame, QWidget* parent)
    : QMainWindow(parent),
      m_services(services),
      m_frame(&frame),
      m_memory(std::make_unique<WindowMemory>(services.settings())) {
    const ProgramFolder& folder = services.folder();
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Quarrow"));
    resize(1024, 700);
    buildMenu();
    buildToolBar();
    buildContent();
    buildStatusBar();
    m_frame->attach(
        FrameWidgets{this, m_prompt, m_log, m_promptMemo, m_capture, m_statusPanels, m_progress, m_stop});
    m_frame->setBringToFront([this](QWidget* window) {
        m_services.platform().bringToFront(static_cast<std::uintptr_t>(window->winId()));
    });
    const QPixmap cursor(folder.filePath(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral(".cur")));
    m_swipeCursor = cursor.isNull() ? QCursor(Qt::SizeHorCursor) : QCursor(cursor);

    // The pages show what start-up loads: the setup, the store and the stock lists. What
    // start-up has to say joins the guide in the prompt memo and stays there.
    m_promptMemo->setPlainText(kGuide.join(QLatin1Char('\n')));
    m_frame->collectNotices();
    m_services.startUp();
    buildFunctionPanel();
    buildPages();
    wirePages();
    wireCore();
    registerRunCommands();
    m_stockPage->listsLoaded();
    m_setupPage->refresh();
    m_relayPage->showNickname();
    reportStore();
    // A notice or a failure of the start is not covered by the greeting: the prompt line
    // keeps the last failure it showed (else the last note), and the window opens on the
    // page that lists them all.
    const QStringList notices = m_frame->takeNotices();
    if (notices.isEmpty())
        m_frame->ShowPrompt(kGuide.first());
    else if (m_prompt->text().isEmpty())
        m_frame->ShowPrompt(notices.last());
    m_queryPage->setDates(m_services.platform().clock().now().date());
    m_queryPage->btnRefreshDepartmentClick();
    m_queryPage->restoreFilters();
    if (!m_services.setup().settingsFileExisted()) {
        m_frame->ShowPrompt(kFirstRunPrompt);
        showFunctionPage(FunctionPage::Setup);
    }
    // A text left on the clipboard would pass for a copied report page. Another program may
    // hold the clipboard just now; the fetch clears it again before every copy.
    m_services.platform().desktop().clearClipboard();
    // Ctrl+Alt+X ends the QQ monitoring from wherever the user is, as the stop command
    // does; at other times it does nothing. Windows only: elsewhere no key is registered.
    m_services.platform().registerStopHotKey(static_cast<std::uintptr_t>(winId()), [this] {
        if (m_relayPage->relayOn())
            btnStopClick();
    });
    showContentPage(notices.isEmpty() ? ContentPage::Main : ContentPage::Prompt);
    m_memory->restoreGeometry(*this);
    // Every grid the window holds exports to CSV and copies its selection; the drill-down
    // windows give their own grids the same commands. Their files go to the program
    // folder's export folder, named for the day.
    new GridExport::ExportPlace(
        folder.path(), [this] { return m_services.platform().clock().now().date(); }, this);
    for (QTableView* grid : findChildren<QTableView*>())
        GridExport::install(grid);

    qApp->installEventFilter(m_mouseFilter);
    // The timer keeps ticking after the prompt stops flashing: the automatic daily start
    // needs a tick at or after its moment even while the program sits idle.
    m_flashTimer = named(new QTimer(this), "tmrFlashWarning");
    m_flashTimer->setInterval(kTick_ms);
    connect(m_flashTimer, &QTimer::timeout, this, &TMainForm::tmrFlashWarningTimer);
    m_flashTimer->start();
}

TMainForm::~TMainForm() {
    m_services.platform().registerStopHotKey(0, {});
    m_flashTimer->stop();
    qApp->removeEventFilter(m_mouseFilter);
    // The pages forward their last events (a focused edit losing its focus) to the core:
    // they go while the core is still there.
    delete takeCentralWidget();
}

void TMainForm::buildMenu() {
    // The stock-code page and the track record fill the data menu with their commands.
    m_dataMenu = named(menuBar()->addMenu(QStringLiteral("数据(&D)")), "menuData");
    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    connect(named(help->addAction(QStringLiteral("使用教程(&M)")), "menuManual"), &QAction::triggered, this,
            &TMainForm::menuManualClick);
    connect(named(help->addAction(QStringLiteral("检查更新(&U)")), "menuUpdate"), &QAction::triggered, this,
            &TMainForm::menuUpdateClick);
    connect(named(help->addAction(QStringLiteral("从网站获取股票代码(&W)")), "menuStockWebSite"),
            &QAction::triggered, this, &TMainForm::menuStockWebSiteClick);
    connect(named(help->addAction(QStringLiteral("设置(&S)")), "MenuSetup"), &QAction::triggered, this,
            &TMainForm::MenuSetupClick);
    connect(named(help->addAction(QStringLiteral("关于程序(&A)")), "menuAboutMe"), &QAction::triggered, this,
            &TMainForm::menuAboutMeClick);
}

void TMainForm::buildToolBar() {
    auto* bar = named(new QToolBar(QStringLiteral("ToolBarTop"), this), "ToolBarTop");
    bar->setMovable(false);
    addToolBar(Qt::TopToolBarArea, bar);
    m_toolBar = bar;
    m_code = named(new QLineEdit(bar), "edtStockCode");
    m_code->setInputMask(QStringLiteral("999999;_"));
    m_code->setToolTip(QStringLiteral("当前股票代码"));
    // Six digits whole in whatever font the system gives, with room for the frame.
    m_code->setFixedWidth(m_code->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    bar->addWidget(m_code);
    m_stockName = named(new QLabel(bar), "pnlStockName");
    m_stockName->setMinimumWidth(90);
    bar->addWidget(m_stockName);
    // A command with a hint shows it on the prompt line as it starts. The pages the
    // commands call are built after the toolbar.
    const auto button = [&](const char* name, const QString& caption, const QString& hint,
                            std::function<void()> command) {
        auto* tool = named(new QToolButton(bar), name);
        tool->setText(caption);
        tool->setToolTip(hint);
        bar->addWidget(tool);
        connectCommand(tool, *m_frame, std::move(command));
        return tool;
    };
    m_runCommands = {
        button("btnSelectStock", QStringLiteral("选定行情分析股票"), QStringLiteral("在行情软件中选定此股票"),
               [this] { btnSelectStockClick(); }),
        button("btnLoadDaily", QStringLiteral("收盘数据"),
               QStringLiteral("从文件中读取指定股票在最近天数里的日交易数据"),
               [this] { m_stockPage->btnLoadDailyClick(); }),
        button("btnListStockQTY", QStringLiteral("调阅股本数据"),
               QStringLiteral("从数据库中调阅股票的股本信息"), [this] { btnListStockQTYClick(); }),
        button("btnGetStockDoc", QStringLiteral("获取龙虎榜单"),
               QStringLiteral("从行情软件复制此股票的龙虎榜单"), [this] { btnGetStockDocClick(); }),
        button("btnGetStockChanges", QStringLiteral("提取操盘数据"),
               QStringLiteral("从龙虎榜单中提取操盘庄家数据并保存,请先执行\"获取龙虎榜单\""),
               [this] { btnGetStockChangesClick(); }),
        button("btnGetFromServer", QStringLiteral("下载操盘数据"),
               QStringLiteral("从服务器下载股票操盘庄家数据"),
               [this] { m_download->btnGetFromServerClick(); })};
    button("btnClear", QStringLiteral("清除信息"), QString(), [this] { btnClearClick(); });
    button("btnApplication", QStringLiteral("主窗口"), QString(), [this] { btnApplicationClick(); });
    m_stop = button("btnStop", QStringLiteral("停止"), QString(), [this] { btnStopClick(); });
    m_stop->setEnabled(false);
    button("btnShowTrackRecord", QStringLiteral("营业部战绩"),
           QStringLiteral("营业部上榜买卖后股票1、2、3、5、10个交易日的涨跌统计"),
           [this] { btnShowTrackRecordClick(); });
}

void TMainForm::buildContent() {
    m_content = named(new QWidget(this), "ContentArea");
    setCentralWidget(m_content);
    m_pages = named(new QStackedWidget(m_content), "PageControl");

    // The stock-code page comes first and the track record last (buildPages).
    m_documentArea = named(new QWidget(m_pages), "TabSheetStockDoc");
    m_documentArea->setWindowTitle(QStringLiteral("最新动态和分析日志"));
    m_capture = named(new QPlainTextEdit(m_documentArea), "MemoPastFrom");
    m_log = named(new QTextEdit(m_documentArea), "MemoResult");
    m_log->setReadOnly(true);
    // The relay page's watch list joins these two (buildPages).
    m_documentSplit = named(new QSplitter(m_documentArea), "DocumentSplit");
    m_documentSplit->addWidget(m_capture);
    m_documentSplit->addWidget(m_log);
    (new QVBoxLayout(m_documentArea))->addWidget(m_documentSplit);
    m_pages->addWidget(m_documentArea);

    m_promptPage = named(new QWidget(m_pages), "TabSheetPrompt");
    m_promptPage->setWindowTitle(QStringLiteral("程序运行提示信息"));
    m_promptMemo = named(new QPlainTextEdit(m_promptPage), "MemoPrompt");
    m_promptMemo->setReadOnly(true);
    (new QVBoxLayout(m_promptPage))->addWidget(m_promptMemo);
    m_pages->addWidget(m_promptPage);

    auto* mainPage = named(new QWidget(m_pages), "TabSheetMain");
    mainPage->setWindowTitle(QStringLiteral("主窗口"));
    auto* grid = new QGridLayout(mainPage);
    const QList<std::tuple<const char*, QString, FunctionPage>> big{
        {"btnMainMining", QStringLiteral("挖掘操盘庄家"), FunctionPage::Mining},
        {"btnMainQuery", QStringLiteral("调阅庄家操盘数据"), FunctionPage::Query},
        {"btnMainDocs", QStringLiteral("历史资料"), FunctionPage::Documents},
        {"btnQQView", QStringLiteral("监视主力买卖"), FunctionPage::Relay},
        {"btnMainSetup", QStringLiteral("系统设置"), FunctionPage::Setup}};
    for (int i = 0; i < big.size(); ++i) {
        const auto& [name, caption, page] = big.at(i);
        auto* button = named(new QPushButton(caption, mainPage), name);
        button->setMinimumSize(160, 90);
        connect(button, &QPushButton::clicked, this, [this, page] { showFunctionPage(page); });
        grid->addWidget(button, i / 3, i % 3);
    }
    m_pages->addWidget(mainPage);
    m_mainPage = mainPage;
    mainPage->installEventFilter(this);

    // The prompt line lies over its frame, outside any layout: the frame keeps its height
    // while the line flashes, so the page above never moves.
    m_promptFrame = named(new QFrame(m_content), "bevelWarning");
    m_promptFrame->setFrameShape(QFrame::StyledPanel);
    m_prompt = named(new QLabel(m_promptFrame), "lblWarning");
    m_prompt->setStyleSheet(QStringLiteral("QLabel { color: red; }"));
    // A line replaced before it was read is still in the prompt memo, one click away.
    m_prompt->setToolTip(QStringLiteral("点击查看程序运行提示信息"));
    m_prompt->installEventFilter(this);
    m_promptFrame->setFixedHeight(m_prompt->fontMetrics().height() + 2 * m_promptFrame->frameWidth() +
                                  2 * kPromptInset_px);
    m_promptFrame->installEventFilter(this);

    auto* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_promptFrame);

    m_progress = new ProgressBox(m_content);
    m_mouseFilter = new RunMouseFilter(
        m_services.run(), *m_frame, *m_progress, [this] { btnStopClick(); }, this);
}

void TMainForm::buildFunctionPanel() {
    m_functionPanel = named(new QFrame(m_content), "PanelFunction");
    m_functionPanel->setFrameShape(QFrame::Panel);
    m_functionPanel->setAutoFillBackground(true);
    m_functionPages = named(new QStackedWidget(m_functionPanel), "PageFunction");
    m_functionPages->installEventFilter(this);
    auto* close = named(new QToolButton(m_functionPanel), "PanelCloseIT");
    close->setText(QStringLiteral("X"));
    connect(close, &QToolButton::clicked, this, &TMainForm::PanelCloseITClick);
    auto* layout = new QVBoxLayout(m_functionPanel);
    layout->addWidget(close, 0, Qt::AlignRight);
    layout->addWidget(m_functionPages, 1);
    m_functionPanel->resize(640, 460);
    m_functionPanel->hide();
}

void TMainForm::buildPages() {
    m_miningPage = new MiningPage(m_services, *this, m_functionPages);
    m_stockPage = new StockCodePage(
        m_services, *this, StockCodePageLinks{m_code, m_stockName, m_miningPage->lastDaysBox(), m_capture},
        m_pages);
    m_pages->insertWidget(0, m_stockPage);
    m_stockPage->addMenuCommands(m_dataMenu);
    m_queryPage = new QueryPage(m_services, *this, *m_stockPage, this, m_functionPages);
    m_documentPage = new DocumentPage(m_services, *this, *m_stockPage, *m_miningPage, m_functionPages);
    m_relayPage = new RelayPage(m_services, *this, m_functionPages);
    m_relayPage->addMenuCommands(m_dataMenu);
    m_documentSplit->addWidget(m_relayPage->watchGrid());
    m_memory->trackSplitter(*m_documentSplit);
    m_setupPage = new SetupPage(m_services.setup(), m_services.settings(), *m_frame, m_functionPages);
    // The setup page's own nickname box edits the same stored nickname.
    m_setupPage->addRow(QStringLiteral("QQ昵称:"), m_relayPage->setupNicknameEdit());
    // A swipe turns the function pages in this order.
    for (QWidget* page : {functionPage(FunctionPage::Mining), functionPage(FunctionPage::Query),
                          functionPage(FunctionPage::Documents), functionPage(FunctionPage::Relay),
                          functionPage(FunctionPage::Setup)}) {
        m_functionPages->addWidget(page);
        page->installEventFilter(this);
    }
    m_trackPage = new TrackRecordPage(m_services, *this, m_pages);
    m_pages->addWidget(m_trackPage);
    QAction* track = named(m_dataMenu->addAction(QStringLiteral("营业部战绩(&T)")), "menuTrackRecord");
    connect(track, &QAction::triggered, this, &TMainForm::btnShowTrackRecordClick);
    // The followed departments: their page, and the grids that list departments follow
    // and mark them.
    m_followedPage = new FollowedPage(m_services, *this, m_pages);
    m_pages->addWidget(m_followedPage);
    connect(named(m_dataMenu->addAction(QStringLiteral("关注营业部动向(&F)")), "menuFollowed"),
            &QAction::triggered, this, [this] { showContentPage(ContentPage::Followed); });
    connect(named(m_dataMenu->addAction(QStringLiteral("龙虎榜日报(&R)")), "menuDigest"), &QAction::triggered,
            m_followedPage, &FollowedPage::btnDigestClick);
    connect(named(m_dataMenu->addAction(QStringLiteral("导入数据库(&I)")), "menuImportDb"),
            &QAction::triggered, this, [this] { runStoreImport(m_services); });
    for (QTableView* grid : {m_queryPage->resultGrid(), m_trackPage->departmentGrid()})
        m_followedPage->commands().install(grid);
    m_followedPage->commands().watchResultWindows();
    m_download = new DownloadCommand(m_services, *this, *m_queryPage, *m_miningPage, *m_progress,
                                     *m_mouseFilter, this);
    // The data menu's commands that start work of their own are off while a job holds the
    // run control, whichever job it is; the ones that only show a page stay on.
    connect(m_dataMenu, &QMenu::aboutToShow, this, [this] {
        const bool idle = !m_services.run().isActive();
        for (QAction* action : m_dataMenu->actions()) {
            if (kDataMenuJobs.contains(action->objectName()))
                action->setEnabled(idle);
        }
    });
}

void TMainForm::buildStatusBar() {
    statusBar()->setObjectName(QStringLiteral("statMain"));
    const QStringList captions = WidgetFrame::statusCaptions();
    for (int i = 0; i < captions.size(); ++i) {
        auto* panel = new QLabel(captions.at(i), statusBar());
        panel->setObjectName(QStringLiteral("statMainPanel%1").arg(i));
        statusBar()->addWidget(panel, i == static_cast<int>(StatusPanel::Message) ? 1 : 0);
        m_statusPanels.append(panel);
    }
}

void TMainForm::wirePages() {
    connect(m_stockPage, &StockCodePage::stockChosenForQuery, this, [this](bool withDocuments) {
        // The query page takes the stock as its filter as a click on "指定股票" would; the
        // stock's saved documents are listed and the newest opened when asked for.
        m_queryPage->chooseGivenStock();
        if (withDocuments)
            m_documentPage->btnReadStDocumentsClick();
        m_functionPages->setCurrentWidget(m_queryPage);
    });
    connect(m_miningPage, &MiningPage::stockShown, m_stockPage, &StockCodePage::showStock);
    connect(m_relayPage, &RelayPage::stockChosen, m_stockPage, &StockCodePage::showStock);
    connect(m_miningPage, &MiningPage::resultsReady, m_queryPage, &QueryPage::showStoredResults);
    connect(m_miningPage, &MiningPage::departmentsAdded, m_queryPage, &QueryPage::enableDepartmentReload);
    connect(m_miningPage, &MiningPage::refreshDepartments, m_queryPage, &QueryPage::refreshDepartmentsIfNew);
    connect(m_documentPage, &DocumentPage::departmentsStored, m_queryPage,
            &QueryPage::refreshDepartmentsIfNew);
    connect(m_relayPage, &RelayPage::activeChanged, this, [this](bool active) {
        // A close asked for while the relay ran waited for its end.
        if (m_closeAfterRun && !active)
            QTimer::singleShot(0, this, &QWidget::close);
    });
}

void TMainForm::wireCore() {
    ProgramServices& s = m_services;
    s.windows().openSetupPage = [this] { showFunctionPage(FunctionPage::Setup); };
    s.windows().statusChanged = [this](const WindowStatus& status) { m_miningPage->setWindowStatus(status); };
    // Every extraction shows the report page it works on.
    s.extractionServices().showReportPage = [this] { showContentPage(ContentPage::StockDoc); };
    s.fetch().showPage = [this](FetchPage page) {
        if (page == FetchPage::StockDoc) {
            hideFunctionPanel();
            showContentPage(ContentPage::StockDoc);
        } else {
            showFunctionPage(FunctionPage::Mining);
        }
    };
    connect(m_setupPage, &SetupPage::quoteProgramChosen, this, [this] {
        m_services.applyQuoteSetup();
        discoverQuoteProgram(false);
        if (m_services.stocks().isEmpty())
            m_stockPage->btnLoadCodeNameClick();
    });
    connect(m_setupPage, &SetupPage::folderStored, this, &TMainForm::folderStored);
    m_setupPage->chooseFolder = [this](const QString& start) {
        return m_frame->chooseFolder(QStringLiteral("选择文件夹"), start);
    };
    s.windows().onLaunchWait = [this](bool waiting) {
        // Nothing may start while the quote program comes up; within a run the commands
        // are off already and stay so.
        if (waiting) {
            m_launchLease = m_services.run().lease(JobKind::QuoteLaunch);
            if (m_launchLease)
                m_frame->holdCommands(true);
        } else if (!waiting && m_launchLease) {
            m_launchLease.release();
            m_frame->holdCommands(false);
        }
    };
    connect(m_setupPage, &SetupPage::autoStartChanged, this, [this] {
        m_services.schedule().autoStartTime = m_services.setup().autoStartPickerTime();
        // The user sees at once when the run will come, and why not sooner on the first day.
        const QString note = m_miningPage->showNextAutoStart();
        if (!note.isEmpty())
            m_frame->ShowPrompt(note);
    });
    s.jobs().jobEnded = [this](JobKind kind, const JobOutcome& outcome) { jobEnded(kind, outcome); };
}

void TMainForm::reportStore() {
    TDataBase& store = m_services.store();
    const QString name = m_services.storeLocation().displayName();
    if (!store.DBOpened()) {
        m_frame->notify(storeOpenFailureText(name, store.openError()));
        m_frame->ShowPrompt(storeOpenFailureText(name, store.openError()));
    } else if (store.readOnly()) {
        m_frame->ShowPrompt(readOnlyStoreText(name));
        m_frame->addPromptMemo(readOnlyStoreText(name));
    }
}

void TMainForm::discoverQuoteProgram(bool realShowEvent) {
    // The window answers while the quote program comes up: a second search started from
    // it (the edition switched meanwhile) would start a second program.
    if (m_discovering)
        return;
    m_discovering = true;
    m_services.windows().discover(realShowEvent);
    m_discovering = false;
}

void TMainForm::folderStored(FolderKind kind) {
    const bool quoteFolder =
        (kind == FolderKind::Hualin && m_services.setup().quoteProgram() == QuoteProgram::Hualin) ||
        (kind == FolderKind::Dongfang && m_services.setup().quoteProgram() == QuoteProgram::Dongfang);
    if (!quoteFolder)
        return;
    // The folder counts from now on: the quote program is looked for there, and an empty
    // stock list is loaded from its name tables.
    m_services.applyQuoteSetup();
    if (m_services.stocks().isEmpty())
        m_stockPage->btnLoadCodeNameClick();
    discoverQuoteProgram(false);
}

void TMainForm::registerRunCommands() {
    // The commands a run switches off, as EnableCommands always switched them.
    QList<QAbstractButton*> buttons(m_runCommands.begin(), m_runCommands.end());
    for (QPushButton* button : m_queryPage->runCommands())
        buttons << button;
    buttons << m_miningPage->startButton() << m_documentPage->reanalysisButton();
    m_frame->setCommands(buttons, m_stockPage->listCommands());
}

QWidget* TMainForm::contentPage(ContentPage page) const {
    switch (page) {
        case ContentPage::StockCode:
            return m_stockPage;
        case ContentPage::StockDoc:
            return m_documentArea;
        case ContentPage::Prompt:
            return m_promptPage;
        case ContentPage::Main:
            return m_mainPage;
        case ContentPage::TrackRecord:
            return m_trackPage;
        case ContentPage::Followed:
            return m_followedPage;
    }
    return m_mainPage;
}

QWidget* TMainForm::functionPage(FunctionPage page) const {
    switch (page) {
        case FunctionPage::Mining:
            return m_miningPage;
        case FunctionPage::Query:
            return m_queryPage;
        case FunctionPage::Documents:
            return m_documentPage;
        case FunctionPage::Relay:
            return m_relayPage;
        case FunctionPage::Setup:
            return m_setupPage;
    }
    return m_miningPage;
}

void TMainForm::showFunctionPage(FunctionPage page) {
    m_functionPages->setCurrentWidget(functionPage(page));
    centreFloating();
    m_functionPanel->show();
    m_functionPanel->raise();
    if (m_progress->isVisible())
        m_progress->raise();
}

void TMainForm::hideFunctionPanel() {
    m_functionPanel->hide();
}

void TMainForm::showContentPage(ContentPage page) {
    m_pages->setCurrentWidget(contentPage(page));
}

void TMainForm::bringToFront() {
    raise();
    activateWindow();
    m_services.platform().bringToFront(static_cast<std::uintptr_t>(winId()));
}

std::optional<QString> TMainForm::chooseFile(const QString& title, const QString& proposedPath) {
    return m_frame->chooseFile(title, proposedPath);
}

void TMainForm::stayOnTop(bool on) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible)
        show();
}

void TMainForm::centreFloating() {
    const QSize area = m_content->size();
    m_functionPanel->move(std::max(0, (area.width() - m_functionPanel->width()) / 2),
                          std::max(0, (area.height() - m_functionPanel->height()) / 2));
    m_progress->centre();
}

int TMainForm::swipeStep(int pressX, int releaseX) {
    const int distance = releaseX - pressX;
    if (std::abs(distance) <= kSwipeThreshold_px)
        return 0;
    return distance < 0 ? -1 : 1;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_promptFrame) {
        if (event->type() == QEvent::Resize)
            m_prompt->setGeometry(
                m_promptFrame->contentsRect().adjusted(kPromptInset_px, 0, -kPromptInset_px, 0));
        return QMainWindow::eventFilter(watched, event);
    }
    if (watched == m_prompt) {
        if (event->type() == QEvent::MouseButtonPress) {
            hideFunctionPanel();
            showContentPage(ContentPage::Prompt);
        }
        return QMainWindow::eventFilter(watched, event);
    }
    if (watched == m_mainPage) {
        // A click on the main page's bare panel puts the function panel away.
        if (event->type() == QEvent::MouseButtonPress)
            hideFunctionPanel();
        return QMainWindow::eventFilter(watched, event);
    }
    // Presses on the function pages: a horizontal swipe turns the page, wrapping round.
    if (event->type() == QEvent::MouseButtonPress) {
        // The press climbs from a page to the page stack: one swipe, one cursor.
        if (m_swipeFromX < 0)
            QApplication::setOverrideCursor(m_swipeCursor);
        m_swipeFromX = static_cast<QMouseEvent*>(event)->globalPosition().toPoint().x();
    } else if (event->type() == QEvent::MouseButtonRelease && m_swipeFromX >= 0) {
        const int step =
            swipeStep(m_swipeFromX, static_cast<QMouseEvent*>(event)->globalPosition().toPoint().x());
        m_swipeFromX = -1;
        QApplication::restoreOverrideCursor();
        const int count = m_functionPages->count();
        m_functionPages->setCurrentIndex((m_functionPages->currentIndex() + step + count) % count);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::mousePressEvent(QMouseEvent* event) {
    // The bare window is a handle to drag it by; a press on its very first row or column
    // is not. Presses that climb up from the pages and panels are theirs, not a drag.
    const QPoint at = event->position().toPoint();
    const QWidget* under = childAt(at);
    const bool bare = !under || under == m_content || under == statusBar() || under == m_toolBar;
    if (event->button() == Qt::LeftButton && bare && at.x() != 0 && at.y() != 0)
        m_dragFrom = event->globalPosition().toPoint();
    QMainWindow::mousePressEvent(event);
}

void TMainForm::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragFrom) {
        const QPoint now = event->globalPosition().toPoint();
        move(pos() + (now - *m_dragFrom));
        m_dragFrom = now;
    }
    QMainWindow::mouseMoveEvent(event);
}

void TMainForm::mouseReleaseEvent(QMouseEvent* event) {
    m_dragFrom.reset();
    QMainWindow::mouseReleaseEvent(event);
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    centreFloating();
    // Queued, so the window is painted before the search, which may start the quote
    // program and wait for it.
    QMetaObject::invokeMethod(
        this, [this] { discoverQuoteProgram(true); }, Qt::QueuedConnection);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    centreFloating();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    RunControl& run = m_services.run();
    const std::optional<JobKind> holder = run.holder();
    if (holder && *holder != JobKind::QuoteLaunch && !m_closeAfterRun) {
        const bool relay = *holder == JobKind::Relay || *holder == JobKind::Capture;
        if (!relay &&
            !m_frame->ask(Question::CloseDuringRun,
                          QStringLiteral("%1正在进行。\r是否停止它并退出程序?").arg(jobName(*holder)))) {
            event->ignore();
            return;
        }
        // A run is a loop inside a handler: asked to end the program, it stops at its next
        // safe point without waiting at its closing box, and the window closes then.
        m_closeAfterRun = true;
        btnStopClick();
        run.requestStop();
        if (relay)
            m_relayPage->tick();
        if (run.isActive()) {
            event->ignore();
            return;
        }
    } else if (holder && *holder != JobKind::QuoteLaunch) {
        event->ignore();  // asked already: the run is on its way to its end
        return;
    }
    m_services.platform().registerStopHotKey(0, {});
    m_flashTimer->stop();
    m_services.releaseAlarm();
    // How the user left the window counts next time.
    m_queryPage->rememberFilters();
    QString error;
    if (!m_memory->save(*this, &error))
        m_frame->notify(QStringLiteral("窗口设置无法保存: %1").arg(error));
    event->accept();
}

}  // namespace quarrow
