#include "gui/MiningPage.h"

#include "app/AppFrame.h"
#include "gui/PageHost.h"
#include "gui/PageWidgets.h"
#include "platform/Clock.h"
#include "program/ProgramServices.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace quarrow {

namespace {

// The threshold's first arrow click jumps from 1 to the usual 20 percent; after that the
// arrows move by one.
constexpr int kFirstPercentStep = 19;

QCheckBox* statusBox(QWidget* parent, const char* name, const QString& caption) {
    // Shown checked and greyed until the window is found: the enabled state is the status,
    // and the user cannot change it.
    auto* box = checkBox(parent, name, caption, true);
    box->setEnabled(false);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    return box;
}

}  // namespace

MiningPage::MiningPage(ProgramServices& services, PageHost& host, QWidget* parent)
    : QWidget(parent), m_services(services), m_host(host), m_frame(services.frame()) {
    setObjectName(QStringLiteral("TabGetFromHuLin"));
    setWindowTitle(QStringLiteral("挖掘操盘庄家"));

    m_onlyMine = checkBox(this, "chkOnlyMyStock", QStringLiteral("仅挖掘自选股的数据资料"), false);
    m_autoRepeat = checkBox(this, "chkAutoRepeat", QStringLiteral("自动重试抓取失败的股票"), true);
    m_skipOut = checkBox(this, "chkSkipOut", QStringLiteral("略过退市股票"), true);
    m_shutDown = checkBox(this, "chkShutDown", QStringLiteral("挖掘完工后关闭计算机"), false);
    m_allChanges = checkBox(this, "chkGetAllChanges", QStringLiteral("提取全部震幅异动数据"), false);

    m_days = new QSpinBox(this);
    m_days->setObjectName(QStringLiteral("valueLastDays"));
    m_days->setRange(0, kLastDaysMax);
    m_days->setValue(3);
    m_days->setToolTip(QStringLiteral("只读取由此处指定的最近天数里的日交易数据进行分析"));
    m_percent = new QSpinBox(this);
    m_percent->setObjectName(QStringLiteral("ValuePercnt"));
    m_percent->setRange(0, kPercentThresholdMax);
    m_percent->setValue(0);
    m_percent->setSingleStep(kFirstPercentStep);
    m_percent->setToolTip(QStringLiteral(
        "指定涨跌幅度(%)限定条件.为0时,将不以股票收盘数据计算结果选择股票,直接提取全部股票最新动态文件"));
    m_exchangeRules = checkBox(
        this, "chkExchangeRules", QStringLiteral("按交易所上榜规则筛选"),
        m_services.settings().readBool(QStringLiteral("Mining"), QStringLiteral("ExchangeRules"), false));
    m_exchangeRules->setToolTip(QStringLiteral(
        "按沪深交易所公布龙虎榜的规则挑选股票:主板日涨跌幅偏离值达±7%、振幅15%、换手率20%、"
        "连续三日累计偏离值±20%(ST股±12%);创业板和科创板涨跌幅±15%、振幅30%、换手率30%、三日累计±30%。"
        "只抓取这些股票,通常一两分钟完成。具体数字可在设置文件[ExchangeRules]中修改"));
    m_percent->setEnabled(!m_exchangeRules->isChecked());
    connect(m_exchangeRules, &QCheckBox::toggled, this, [this](bool on) {
        m_percent->setEnabled(!on);
        m_frame.ShowPrompt(m_exchangeRules->toolTip());
        // Kept for the next start, and for the automatic run, which uses what the page shows.
        if (!m_services.settings().writeBool(QStringLiteral("Mining"), QStringLiteral("ExchangeRules"), on))
            m_frame.ShowPrompt(QStringLiteral("设置文件写入失败: ") + m_services.settings().lastError());
    });
    connect(m_days, &QSpinBox::valueChanged, this, [this] { valueChanged(m_days); });
    connect(m_percent, &QSpinBox::valueChanged, this, [this] { valueChanged(m_percent); });

    auto* windows = new QGroupBox(QStringLiteral("行情软件窗口"), this);
    m_quoteMain = statusBox(windows, "CheckMain", QStringLiteral("证券主窗口"));
    m_quoteChild = statusBox(windows, "CheckChild", QStringLiteral("动态资讯窗口"));
    m_codeMain = statusBox(windows, "chkStockMain", QStringLiteral("代码输入窗口"));
    m_codeChild = statusBox(windows, "chkStockChild", QStringLiteral("代码输入区"));
    auto* windowGrid = new QGridLayout(windows);
    windowGrid->addWidget(m_quoteMain, 0, 0);
    windowGrid->addWidget(m_quoteChild, 0, 1);
    windowGrid->addWidget(m_codeMain, 1, 0);
    windowGrid->addWidget(m_codeChild, 1, 1);
    setWindowStatus({});

    m_start = new QPushButton(QStringLiteral("挖掘操盘数据"), this);
    m_start->setObjectName(QStringLiteral("btnGetAllOfTheNewDocs"));
    m_start->setMinimumHeight(48);
    m_start->setToolTip(
        QStringLiteral("当指定天数里股票的日交易涨跌幅偏离值超过20%时,\r揪出买卖前5名的操盘庄家(营业部).\r"
                       "此功能需要运行华林或东方证券的行情分析软件."));
    connect(m_start, &QPushButton::clicked, this, &MiningPage::btnGetAllOfTheNewDocsClick);
    m_nextAutoStart = new QLabel(this);
    m_nextAutoStart->setObjectName(QStringLiteral("lblNextAutoStart"));
    m_nextAutoStart->setWordWrap(true);

    auto* values = new QGridLayout;
    values->addWidget(new QLabel(QStringLiteral("数据调阅和分析天数:"), this), 0, 0);
    values->addWidget(m_days, 0, 1);
    values->addWidget(new QLabel(QStringLiteral("天"), this), 0, 2);
    values->addWidget(new QLabel(QStringLiteral("涨跌偏离幅度/换手率:"), this), 1, 0);
    values->addWidget(m_percent, 1, 1);
    values->addWidget(new QLabel(QStringLiteral("%"), this), 1, 2);
    values->addWidget(m_exchangeRules, 1, 3);

    auto* help = new QHBoxLayout;
    help->addWidget(
        helpPictureButton(this, m_frame, "imgDowloadDaily",
                          QStringLiteral("使用程序计算涨跌幅变化时,需要先运行行情分析软件并下载盘后数据."),
                          QStringLiteral("下载盘后数据.jpg")));
    help->addWidget(helpPictureButton(
        this, m_frame, "imgF10Must",
        QStringLiteral("抓取股票涨跌幅异动数据前,请先运行行情分析软件,按F10后,打开调阅\"龙虎榜单\"功能."),
        QStringLiteral("最新提示.jpg")));
    help->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(help);
    layout->addLayout(values);
    for (QCheckBox* box : {m_onlyMine, m_autoRepeat, m_skipOut, m_allChanges, m_shutDown})
        layout->addWidget(box);
    layout->addWidget(windows);
    layout->addWidget(m_start);
    layout->addWidget(m_nextAutoStart);
    layout->addStretch();
}

QString MiningPage::showNextAutoStart() {
    const QString note = m_services.jobs().autoStartNote(m_services.clock().now());
    m_nextAutoStart->setText(note);
    return note;
}

void MiningPage::valueChanged(QSpinBox* changed) {
    m_percent->setSingleStep(1);
    m_frame.ShowPrompt(changed->toolTip());
}

MiningOptions MiningPage::options() const {
    MiningOptions options;
    options.onlyOwnStocks = m_onlyMine->isChecked();
    options.autoRepeat = m_autoRepeat->isChecked();
    options.shutdownWhenDone = m_shutDown->isChecked();
    options.allChanges = m_allChanges->isChecked();
    options.percent = m_percent->value();
    options.lastDays = m_days->value();
    options.exchangeRules = m_exchangeRules->isChecked();
    return options;
}

int MiningPage::percent() const {
    return m_percent->value();
}

bool MiningPage::allChanges() const {
    return m_allChanges->isChecked();
}

void MiningPage::setWindowStatus(const WindowStatus& status) {
    m_quoteMain->setEnabled(status.quoteMain);
    m_quoteChild->setEnabled(status.quoteChild);
    m_codeMain->setEnabled(status.codeInputMain);
    m_codeChild->setEnabled(status.codeInputChild);
}

MiningWindowHooks MiningPage::windowHooks() {
    MiningWindowHooks hooks;
    hooks.bringToFront = [this] { m_host.bringToFront(); };
    hooks.stayOnTop = [this](bool on) { m_host.stayOnTop(on); };
    hooks.showPromptPage = [this] {
        m_host.hideFunctionPanel();
        m_host.showContentPage(ContentPage::Prompt);
    };
    hooks.showStock = [this](const QString& code, const QString& name) { Q_EMIT stockShown(code, name); };
    hooks.showResults = [this](const DateRange& days) { Q_EMIT resultsReady(days); };
    hooks.departmentsAdded = [this] { Q_EMIT departmentsAdded(); };
    hooks.refreshDepartments = [this] { Q_EMIT refreshDepartments(); };
    hooks.ownListEmpty = [this] { m_onlyMine->setChecked(false); };
    return hooks;
}

void MiningPage::startAutomatically() {
    m_startingAutomatically = true;
    m_start->click();
    m_startingAutomatically = false;
}

void MiningPage::btnGetAllOfTheNewDocsClick() {
    MiningOptions chosen = options();
    const MiningOptions wired = m_services.miningOptions();
    chosen.quoteFolder = wired.quoteFolder;
    chosen.rarFolder = wired.rarFolder;
    // Started by the clock, or set to switch the computer off: nobody will answer.
    chosen.unattended = m_startingAutomatically || chosen.shutdownWhenDone;
    m_lastOutcome = m_services.jobs().mine(chosen, windowHooks());
    showNextAutoStart();
}

}  // namespace quarrow
