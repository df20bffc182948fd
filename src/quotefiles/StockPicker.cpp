#include "quotefiles/StockPicker.h"

#include "app/Trim.h"
#include "store/DataBase.h"
#include "store/StockTable.h"

#include <cmath>

namespace quarrow {

QString PrefixCode(const QString& code) {
    bool ok = false;
    const int number = code.toInt(&ok);
    return ((ok ? number : 0) < 600000 ? QStringLiteral("sz") : QStringLiteral("sh")) + code;
}

StockPicker::StockPicker(const StockList& list, TDataBase* db, AppFrame& frame)
    : m_list(list), m_db(db), m_frame(frame) {}

void StockPicker::pickCode(PickSender sender) {
    // The prefixed code comes first: a code missing from the list still names the file
    // the daily-bar viewer opens.
    m_prefixedCode = PrefixCode(m_codeText);
    m_name = m_list.nameOf(m_prefixedCode);
    if (trimBlanks(m_name).isEmpty()) {
        m_frame.ShowPrompt(QStringLiteral("没有与") + m_codeText + QStringLiteral("对应的股票！"));
        return;
    }
    if (sender != PickSender::NamePanel)
        return;
    DisplayStocks();
    ShowStockOnQueryPage(true);
    const int index = m_list.indexOf(m_prefixedCode);
    if (index >= 0)
        m_listTopIndex = index;
}

void StockPicker::pickListEntry(int index) {
    if (!m_list.complete() || index < 0 || index >= m_list.size())
        return;
    const StockEntry& entry = m_list.at(index);
    m_prefixedCode = entry.key;
    m_codeText = entry.key.right(6);
    m_name = entry.name;
    DisplayStocks();
    ShowStockOnQueryPage(false);
}

void StockPicker::markCodeTyped() {
    m_codeTyped = true;
}

void StockPicker::applyTypedCode() {
    if (m_codeTyped)
        pickCode(PickSender::NamePanel);
    m_codeTyped = false;
}

void StockPicker::showStock(const QString& code, const QString& name) {
    m_codeText = code;
    m_name = name;
    m_prefixedCode = PrefixCode(code);
}

void StockPicker::DisplayStocks() {
    if (!m_db || !m_db->DBOpened())
        return;
    const TradableRead read = tradableShares(*m_db, m_codeText);
    if (!read.ok) {
        m_frame.ShowPrompt(QStringLiteral("读取股本数据出错:") + read.error);
        return;
    }
    if (!read.shares)
        return;
    const qint64 tradable = static_cast<qint64>(std::nearbyint(read.shares->toDouble()));
    m_shareCapitalText = m_codeText + m_name + QStringLiteral("流通A股(万股):") + QString::number(tradable);
    m_frame.setStatusPanel(StatusPanel::Message, m_shareCapitalText);
}

void StockPicker::ShowStockOnQueryPage(bool withDocuments) {
    if (m_prefixedCode.isEmpty() || !onShowOnQueryPage)
        return;
    onShowOnQueryPage(withDocuments);
}

void StockPicker::pickOwnListItem(const QString& item) {
    if (item.isEmpty())
        return;
    m_codeText = item.right(6);
    pickCode(PickSender::NamePanel);
}

void StockPicker::listLoaded() {
    if (m_list.isEmpty())
        return;
    const StockEntry& first = m_list.at(0);
    m_prefixedCode = first.key;
    m_codeText = first.key.right(6);
    m_name = first.name;
}

}  // namespace quarrow
