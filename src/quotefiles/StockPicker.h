#pragma once

#include "app/AppFrame.h"
#include "quotefiles/StockList.h"

#include <functional>

namespace quarrow {

class TDataBase;

// Six-digit code to prefixed code: below 600000 (or not a number) Shenzhen, else Shanghai.
QString PrefixCode(const QString& code);

// Who asked for the current stock: the name panel itself shows the share capital and
// moves the list; the mining run and the query page (None) only set the stock.
enum class PickSender { None, NamePanel };

// The current stock of the main window: the six-digit code box, the name panel's caption
// (the name) and hint (the prefixed code), and where the all-stocks list is scrolled.
class StockPicker {
public:
    StockPicker(const StockList& list, TDataBase* db, AppFrame& frame);

    // What the query page does for the current stock (tick "指定股票", list documents,
    // switch pages); the main window connects it.
    std::function<void(bool withDocuments)> onShowOnQueryPage;

    QString codeText() const { return m_codeText; }
    void setCodeText(const QString& code) { m_codeText = code; }
    QString caption() const { return m_caption; }
    QString hint() const { return m_hint; }
    int listTopRow() const { return m_listTopRow; }  // grid row, 1 = first stock

    void pnlStockNameClick(PickSender sender);
    // Grid row ARow (1 … n) of the all-stocks list; ignored while the list loads.
    void ListStCodeNameSelectCell(int ACol, int ARow);
    // A key in the code box: Enter applies the code at once, any other key marks it typed.
    void edtStockCodeKeyPress(bool enter);
    void edtStockCodeExit();
    void DisplayStocks();
    void ShowStockOnQueryPage(bool withDocuments);
    // A click on an item of the own stock list (a prefixed code).
    void ListSelfStockClick(const QString& item);
    // After the list was (re)loaded: its first stock becomes the current one.
    void listLoaded();

private:
    const StockList& m_list;
    TDataBase* m_db;
    AppFrame& m_frame;
    QString m_codeText;
    bool m_codeTyped = false;
    QString m_caption;
    QString m_hint;
    int m_listTopRow = 1;
};

}  // namespace quarrow
