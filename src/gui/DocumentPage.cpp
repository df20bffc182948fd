#include "gui/DocumentPage.h"

#include "gui/MiningPage.h"
#include "gui/PageHost.h"
#include "gui/PageWidgets.h"
#include "gui/StockCodePage.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "report/DocumentCleanup.h"
#include "report/SavedDocuments.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarrow {

namespace {

// Names a few of a list of paths in a message box; the rest by their number.
QString someOf(const QStringList& paths) {
    constexpr int kShown = 5;
    QStringList shown;
    for (const QString& path : paths.mid(0, kShown))
        shown << QDir::toNativeSeparators(path);
    if (paths.size() > kShown)
        shown << QStringLiteral("等%1个").arg(paths.size());
    return shown.join(QLatin1Char('\r'));
}

}  // namespace

DocumentPage::DocumentPage(ProgramServices& services, PageHost& host, const StockCodePage& stocks,
                           const MiningPage& mining, QWidget* parent)
    : QWidget(parent),
      m_services(services),
      m_host(host),
      m_frame(services.frame()),
      m_stocks(stocks),
      m_mining(mining) {
    setObjectName(QStringLiteral("TabDocHistory"));
    setWindowTitle(QStringLiteral("历史资料"));
    auto* browse = new QPushButton(QStringLiteral("查阅股票历次龙虎榜单"), this);
    browse->setObjectName(QStringLiteral("btnReadStDocuments"));
    connect(browse, &QPushButton::clicked, this, &DocumentPage::btnReadStDocumentsClick);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListBoxStDoc"));
    m_list->setToolTip(QStringLiteral("股票所发布的最新动态文档列表"));
    connect(m_list, &QListWidget::itemClicked, this, &DocumentPage::ListBoxStDocClick);
    m_reanalyse = new QPushButton(QStringLiteral("恢复挖掘数据"), this);
    m_reanalyse->setObjectName(QStringLiteral("btnGetAllFromTxtDocs"));
    m_reanalyse->setToolTip(QStringLiteral("从历次下载的股票异常动态文件中挖掘振幅超过20%的股票操盘庄家"));
    m_reanalyse->setMinimumHeight(48);
    connect(m_reanalyse, &QPushButton::clicked, this, &DocumentPage::btnGetAllFromTxtDocsClick);
    auto* cleanup = new QPushButton(QStringLiteral("删除过旧的股票文档资料"), this);
    cleanup->setObjectName(QStringLiteral("btnDelete"));
    cleanup->setToolTip(QStringLiteral("删除旧文档资料,只保留最后一次的股票文档"));
    connectCommand(cleanup, m_frame, [this] { btnDeleteClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(windowTitle(), this));
    layout->addWidget(browse);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_reanalyse);
    layout->addWidget(cleanup);
    layout->addStretch();
}

DocumentPage::~DocumentPage() = default;

void DocumentPage::btnReadStDocumentsClick() {
    if (!m_documents)
        m_documents = std::make_unique<SavedDocuments>(m_services.folder(), m_services.platform().launcher(),
                                                       m_services.platform().archiver(), m_frame);
    // A stock without documents leaves the list and the capture as they are: the capture
    // may hold a report just fetched.
    if (!m_documents->browseStock(m_stocks.currentCode(), m_services.settings().rarFolder()))
        return;
    m_list->clear();
    m_list->addItems(m_documents->names());
    if (m_documents->selected() >= 0) {
        m_list->setCurrentRow(m_documents->selected());
        m_frame.showCapture(m_documents->lines());
    }
}

void DocumentPage::ListBoxStDocClick() {
    const int row = m_list->currentRow();
    if (!m_documents || row < 0)
        return;
    const auto opened = m_documents->open(row, SavedDocuments::Sender::List, m_stocks.currentCode(),
                                          m_services.settings().rarFolder());
    if (opened.showDocumentPage) {
        m_host.hideFunctionPanel();
        m_host.showContentPage(ContentPage::StockDoc);
    }
    if (opened.loaded)
        m_frame.showCapture(m_documents->lines());
}

void DocumentPage::btnGetAllFromTxtDocsClick() {
    const MiningOptions chosen = m_mining.options();
    ReanalysisOptions options = m_services.reanalysisOptions();
    options.allChanges = chosen.allChanges;
    options.percent = chosen.percent;
    options.shutdownWhenDone = chosen.shutdownWhenDone;
    ReanalysisHooks hooks;
    hooks.showPromptPage = [this] {
        m_host.hideFunctionPanel();
        m_host.showContentPage(ContentPage::Prompt);
    };
    hooks.showQueryPage = [this] { m_host.showFunctionPage(FunctionPage::Query); };
    // Like the mining run, the batch keeps the window in front while it works.
    hooks.stayOnTop = [this](bool on) { m_host.stayOnTop(on); };
    m_lastReanalysis = m_services.jobs().reanalyse(options, std::move(hooks));
    if (m_lastReanalysis.reloadDepartments)
        Q_EMIT departmentsStored();
}

void DocumentPage::btnDeleteClick() {
    const DocumentCleanupOutcome outcome = m_services.jobs().cleanUpDocuments();
    if (!outcome.error.isEmpty())
        m_frame.notify(QStringLiteral("读取数据库出错,清理没有完成: %1").arg(outcome.error));
    if (!outcome.undeleted.isEmpty())
        m_frame.notify(QStringLiteral("以下文件无法删除:\r") + someOf(outcome.undeleted));
    if (!outcome.unlisted.isEmpty())
        m_frame.notify(QStringLiteral("以下文件夹无法读取:\r") + someOf(outcome.unlisted));
}

}  // namespace quarrow
