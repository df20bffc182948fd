#include "gui/ShareCapitalListing.h"

#include "app/FigureFormat.h"
#include "gui/FormCodeDepart.h"
#include "gui/PageHost.h"
#include "gui/ResultFormat.h"
#include "gui/ResultGridPanel.h"
#include "platform/Platform.h"
#include "program/ProgramServices.h"
#include "quotefiles/FileOP.h"
#include "quotefiles/QuotePaths.h"
#include "quotefiles/ShareCapital.h"
#include "store/StockTable.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>

namespace quarrow {

namespace {

constexpr int kSortRole = Qt::UserRole + 2;

}  // namespace

ShareCapitalListing::ShareCapitalListing(ProgramServices& services, PageHost& host, ResultGridPanel& results,
                                         QObject* parent)
    : QObject(parent),
      m_services(services),
      m_host(host),
      m_results(results),
      m_rows(new QStandardItemModel(this)) {}

QString ShareCapitalListing::quoteFolder() const {
    return m_services.setup().QuoteFolder();
}

void ShareCapitalListing::importShareCapital() {
    m_host.showContentPage(ContentPage::StockDoc);
    if (!QFileInfo::exists(QuotePaths::baseDbfFile(quoteFolder()))) {
        m_services.frame().ShowPrompt(QuotePaths::baseDbfFile(quoteFolder()) +
                                      QStringLiteral(" 不存在!需要安装华林证券或东方证券行情分析软件"));
        return;
    }
    m_services.frame().showCapture({});
    try {
        ShareCapital capital(&m_services.store(), m_services.frame(), m_services.platform().clock());
        const CapitalImportResult result = capital.importShareCapital(quoteFolder(), m_services.stocks());
        m_services.frame().showCapture(result.memo);
    } catch (const RecordFileError& error) {
        m_services.frame().ShowPrompt(error.message());
    }
}

void ShareCapitalListing::listShareCapital(const std::optional<QString>& code) {
    m_host.showContentPage(ContentPage::StockCode);
    if (!m_services.store().DBOpened())
        return;
    QString error;
    const std::optional<QList<CapitalRow>> rows = shareCapitalRows(m_services.store(), code, &error);
    if (!rows) {
        m_services.frame().ShowPrompt(QStringLiteral("读取股本数据出错:") + error);
        return;
    }
    m_rows->clear();
    m_rows->setHorizontalHeaderLabels(shareCapitalTitles());
    // A click on a title sorts the figures by their value, not their text.
    m_rows->setSortRole(kSortRole);
    const auto textItem = [](const QString& text) {
        auto* item = new QStandardItem(text);
        item->setData(text, kSortRole);
        return item;
    };
    const auto sharesItem = [](const std::optional<Money>& shares) {
        if (!shares) {
            auto* item = new QStandardItem;
            item->setData(QString(), kSortRole);
            return item;
        }
        QStandardItem* item = figureItem(FigureFormat::fixed(shares->toDouble(), 2), shares->toString());
        item->setData(shares->toDouble(), kSortRole);
        return item;
    };
    for (const CapitalRow& row : *rows)
        m_rows->appendRow({textItem(row.code), textItem(row.name), textItem(row.listed),
                           sharesItem(row.total), sharesItem(row.tradable), textItem(row.refreshed)});
    m_results.grid()->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
    m_results.showRows(m_rows);
    m_results.grid()->resizeColumnsToContents();
    m_results.setCount(rowCountText(m_rows->rowCount()));
}

void ShareCapitalListing::refreshNames() {
    if (!m_services.store().DBOpened())
        return;
    m_host.showContentPage(ContentPage::StockDoc);
    m_services.frame().showCapture({});
    ShareCapital capital(&m_services.store(), m_services.frame(), m_services.platform().clock());
    m_services.frame().showCapture(capital.refreshNames(m_services.stocks()));
}

}  // namespace quarrow
