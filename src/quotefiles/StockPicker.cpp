#include "quotefiles/StockPicker.h"

#include "app/Trim.h"
#include "store/DataBase.h"

#include <cmath>

namespace quarrow {

QString PrefixCode(const QString& code) {
    bool ok = false;
    const int number = code.toInt(&ok);
    return ((ok ? number : 0) < 600000 ? QStringLiteral("sz") : QStringLiteral("sh")) + code;
}

StockPicker::StockPicker(const StockList& list, TDataBase* db, AppFrame& frame)
    : m_list(list), m_db(db), m_frame(frame) {}

void StockPicker::pnlStockNameClick(PickSender sender) {
    // The hint comes first: a code missing from the list still names the file the
    // daily-bar viewer opens.
    m_hint = PrefixCode(m_codeText);
    m_caption = m_list.nameOf(m_hint);
    if (trimBlanks(m_caption).isEmpty()) {
        m_frame.ShowPrompt(QStringLiteral("没有与") + m_codeText + QStringLiteral("对应的股票！"));
        return;
    }
    if (sender != PickSender::NamePanel)
        return;
    DisplayStocks();
    ShowStockOnQueryPage(true);
    const int index = m_list.indexOf(m_hint);
    if (index >= 0)
        m_listTopRow = index + 1;
}

void StockPicker::ListStCodeNameSelectCell(int, int ARow) {
    if (!m_list.complete() || ARow < 1 || ARow > m_list.size())
        return;
    const StockEntry& entry = m_list.at(ARow - 1);
    m_hint = entry.key;
    m_codeText = entry.key.right(6);
    m_caption = entry.name;
    DisplayStocks();
    ShowStockOnQueryPage(false);
}

void StockPicker::edtStockCodeKeyPress(bool enter) {
    if (enter)
        edtStockCodeExit();
    else
        m_codeTyped = true;
}

void StockPicker::edtStockCodeExit() {
    if (m_codeTyped)
        pnlStockNameClick(PickSender::NamePanel);
    m_codeTyped = false;
}

void StockPicker::DisplayStocks() {
    if (!m_db || !m_db->DBOpened())
        return;
    Statement query =
        m_db->QueryPublic(QStringLiteral("select stAQuantity from tblStocks where StCode=:StCode"));
    query.bind(QStringLiteral(":StCode"), m_codeText);
    if (!query.exec()) {
        m_frame.ShowPrompt(QStringLiteral("读取股本数据出错:") + query.error());
        return;
    }
    if (!query.next())
        return;
    const qint64 tradable = query.isNull(0) ? 0 : static_cast<qint64>(std::nearbyint(query.real(0)));
    m_frame.setStatusPanel(StatusPanel::Message, m_codeText + m_caption + QStringLiteral("流通A股(万股):") +
                                                     QString::number(tradable));
}

void StockPicker::ShowStockOnQueryPage(bool withDocuments) {
    if (m_hint.isEmpty() || !onShowOnQueryPage)
        return;
    onShowOnQueryPage(withDocuments);
}

void StockPicker::ListSelfStockClick(const QString& item) {
    if (item.isEmpty())
        return;
    m_codeText = item.right(6);
    pnlStockNameClick(PickSender::NamePanel);
}

void StockPicker::listLoaded() {
    if (m_list.isEmpty())
        return;
    const StockEntry& first = m_list.at(0);
    m_hint = first.key;
    m_codeText = first.key.right(6);
    m_caption = first.name;
}

}  // namespace quarrow
