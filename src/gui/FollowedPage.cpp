#include "gui/FollowedPage.h"

#include "app/AppFrame.h"
#include "app/FigureFormat.h"
#include "app/SafeFile.h"
#include "follow/DigestFormat.h"
#include "follow/FollowedReport.h"
#include "gui/DateBox.h"
#include "gui/FollowCommands.h"
#include "gui/GridExport.h"
#include "gui/PageHost.h"
#include "gui/PageWidgets.h"
#include "gui/ResultFormat.h"
#include "platform/Clock.h"
#include "program/ProgramServices.h"
#include "store/ChangeReads.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

namespace quarrow {

namespace {

const QStringList kTitles{QStringLiteral("代码"),     QStringLiteral("名称"),     QStringLiteral("日期"),
                          QStringLiteral("营业部"),   QStringLiteral("买入"),     QStringLiteral("卖出"),
                          QStringLiteral("净额"),     QStringLiteral("1日均涨%"), QStringLiteral("1日上涨%"),
                          QStringLiteral("3日均涨%"), QStringLiteral("3日上涨%"), QStringLiteral("5日均涨%"),
                          QStringLiteral("5日上涨%"), QStringLiteral("次数")};

}  // namespace

FollowedPage::FollowedPage(ProgramServices& services, PageHost& host, QWidget* parent)
    : QWidget(parent), m_services(services), m_host(host), m_frame(services.frame()) {
    setObjectName(QStringLiteral("TabSheetFollowed"));
    setWindowTitle(QStringLiteral("关注营业部动向"));
    m_commands = new FollowCommands(services.followed(), m_frame, this);

    m_list = named(new QListWidget(this), "listFollowed");
    m_name = named(new QLineEdit(this), "edtFollowName");
    m_name->setPlaceholderText(QStringLiteral("营业部名称"));
    auto* add = named(new QPushButton(QStringLiteral("关注"), this), "btnFollowAdd");
    auto* remove = named(new QPushButton(QStringLiteral("取消关注"), this), "btnFollowDel");
    m_sendToChat = checkBox(this, "chkSendFollowed", QStringLiteral("运行结束后发送到QQ聊天窗口"),
                            services.settings().sendFollowed());
    m_sendToChat->setToolTip(
        QStringLiteral("挖掘、分析或下载结束后,把关注营业部的上榜记录发到QQ昵称的聊天窗口"));

    m_since = named(new DateBox(this), "dateFollowedSince");
    startAtNewestDay();
    connect(m_since, &DateBox::textRejected, this,
            [this](const QString& message) { m_frame.ShowPrompt(message); });
    auto* since = named(new QPushButton(QStringLiteral("查看此日以来"), this), "btnFollowedSince");
    auto* digest = named(new QPushButton(QStringLiteral("龙虎榜日报"), this), "btnDigest");
    digest->setToolTip(
        QStringLiteral("所选日期的上榜股票、营业部净买卖、机构席位、关注营业部和日线图,在浏览器中打开"));
    m_caption = named(new QLabel(this), "lblFollowedCaption");

    m_rows = new QStandardItemModel(this);
    // The cells carry their units (万, %); a CSV file's titles name them instead.
    QList<std::pair<QString, QString>> titles;
    for (int column = 0; column < kTitles.size(); ++column) {
        QString shown = kTitles.at(column);
        if (shown.endsWith(QLatin1Char('%')))
            shown.chop(1);
        titles.append({shown, column >= 4 && column <= 6 ? kTitles.at(column) + QStringLiteral("(万元)")
                                                         : kTitles.at(column)});
    }
    setGridTitles(*m_rows, titles);
    m_grid = named(new QTableView(this), "gridFollowed");
    m_grid->setModel(m_rows);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->setDefaultSectionSize(22);
    m_commands->install(m_grid, FollowCommands::Marks::None);

    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(new QLabel(QStringLiteral("关注的营业部"), side));
    sideLayout->addWidget(m_list, 1);
    sideLayout->addWidget(m_name);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    sideLayout->addLayout(buttons);
    sideLayout->addWidget(m_sendToChat);

    auto* top = new QHBoxLayout;
    top->addWidget(m_since);
    top->addWidget(since);
    top->addWidget(digest);
    top->addWidget(m_caption, 1);
    auto* main = new QWidget(this);
    auto* mainLayout = new QVBoxLayout(main);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->addLayout(top);
    mainLayout->addWidget(m_grid, 1);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(side);
    split->addWidget(main);
    split->setStretchFactor(1, 1);
    split->setSizes({260, 900});
    (new QVBoxLayout(this))->addWidget(split);

    connect(add, &QPushButton::clicked, this, &FollowedPage::btnFollowAddClick);
    connect(m_name, &QLineEdit::returnPressed, this, &FollowedPage::btnFollowAddClick);
    connect(remove, &QPushButton::clicked, this, &FollowedPage::btnFollowDelClick);
    connect(since, &QPushButton::clicked, this, &FollowedPage::btnFollowedSinceClick);
    connect(digest, &QPushButton::clicked, this, &FollowedPage::btnDigestClick);
    connect(m_sendToChat, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_services.settings().writeBool(QStringLiteral("QQ"), QStringLiteral("SendFollowed"), on))
            m_frame.ShowPrompt(QStringLiteral("设置无法保存: ") + m_services.settings().lastError());
    });
    connect(m_commands, &FollowCommands::listChanged, this, &FollowedPage::fillList);
    services.onFollowedRun = [this](const FollowedRunReport& report) { showRun(report); };
    fillList();
}

void FollowedPage::startAtNewestDay() {
    // Today holds no rows until the evening's run: the newest stored day is the one to see.
    const std::optional<QDate> newest = newestChangeDay(m_services.store());
    m_since->setDate(newest && newest->isValid() ? *newest : m_services.clock().today());
}

void FollowedPage::fillList() {
    m_list->clear();
    m_list->addItems(m_services.followed().names());
}

void FollowedPage::btnFollowAddClick() {
    if (m_commands->follow(m_name->text()))
        m_name->clear();
}

void FollowedPage::btnFollowDelClick() {
    const QListWidgetItem* item = m_list->currentItem();
    if (item)
        m_commands->unfollow(item->text());
}

void FollowedPage::fillRows(const FollowedTradeList& list, const QString& caption) {
    m_rows->removeRows(0, m_rows->rowCount());
    if (!list.ok()) {
        m_caption->setText(QStringLiteral("关注营业部的上榜记录读不出: ") + list.error);
        return;
    }
    // Newest first: the rows come oldest first.
    for (auto trade = list.trades.rbegin(); trade != list.trades.rend(); ++trade) {
        // Shown as users read them, copied and exported as the command line writes them.
        const std::vector<FigureFormat::Cell> shown = FollowedReport::shownCells(*trade);
        const QStringList plain = FollowedReport::cells(*trade);
        QList<QStandardItem*> row;
        for (size_t c = 0; c < shown.size(); ++c) {
            const FigureFormat::Cell& cell = shown[c];
            row << (cell.figure ? figureItem(cell.text, plain.value(static_cast<qsizetype>(c)), cell.tone)
                                : new QStandardItem(cell.text));
        }
        m_rows->appendRow(row);
    }
    m_caption->setText(caption.arg(list.trades.size()));
    m_grid->resizeColumnsToContents();
}

void FollowedPage::showRun(const FollowedRunReport& report) {
    if (!report.chatProblem.isEmpty())
        m_frame.ShowPrompt(report.chatProblem);
    if (report.listEmpty)
        return;
    fillRows(report.trades, QStringLiteral("本次存入的关注营业部上榜记录: %1条"));
    startAtNewestDay();
    if (!report.trades.ok() || !report.trades.trades.empty()) {
        // The page comes forward: the function panel the run was started from would lie over it.
        m_host.hideFunctionPanel();
        m_host.showContentPage(ContentPage::Followed);
    }
}

void FollowedPage::btnFollowedSinceClick() {
    fillRows(m_services.followedBetween(m_since->date(), QDate()),
             QStringLiteral("%1以来关注营业部的上榜记录: %2条")
                 .arg(m_since->date().toString(QStringLiteral("yyyy-MM-dd")), QStringLiteral("%1")));
}

void FollowedPage::btnDigestClick() {
    QString error;
    const std::optional<DayDigest> digest = m_services.dayDigest(m_since->date(), true, &error);
    if (!digest) {
        m_frame.notify(QStringLiteral("龙虎榜日报无法生成: ") + error);
        return;
    }
    const QString path = m_services.folder().filePath(QStringLiteral("Digest-") +
                                                      digest->day.toString(QStringLiteral("yyyy-MM-dd")) +
                                                      QStringLiteral(".html"));
    if (!SafeFile::replace(path, DigestFormat::html(*digest), &error)) {
        m_frame.notify(QStringLiteral("龙虎榜日报%1无法保存: %2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    m_digestFile = path;
    m_frame.ShowPrompt(QStringLiteral("龙虎榜日报: ") + QDir::toNativeSeparators(path));
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        m_frame.notify(QStringLiteral("无法用浏览器打开") + QDir::toNativeSeparators(path));
}

}  // namespace quarrow
