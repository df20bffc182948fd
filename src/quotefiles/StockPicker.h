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

// The current stock of the main window: the six-digit code box, the stock's name and its
// prefixed code (the name panel's caption and hint), and where the all-stocks list is
// scrolled.
class StockPicker {
public:
    StockPicker(const StockList& list, TDataBase* db, AppFrame& frame);

    // What the query page does for the current stock (tick "指定股票", list documents,
    // switch pages); the main window connects it.
    std::function<void(bool withDocuments)> onShowOnQueryPage;

    QString codeText() const { return m_codeText; }
    void setCodeText(const QString& code) { m_codeText = code; }
    QString name() const { return m_name; }
    QString prefixedCode() const { return m_prefixedCode; }
    int listTopIndex() const { return m_listTopIndex; }  // the list entry scrolled to the top
    QString shareCapitalText() const { return m_shareCapitalText; }

    // Makes the code text the current stock. Asked for by the name panel, it also shows
    // the stock's share capital, selects it on the query page and scrolls the list to it.
    void pickCode(PickSender sender);
    // Entry index of the all-stocks list; ignored while the list loads.
    void pickListEntry(int index);
    // A key other than Enter in the code box: the code was typed.
    void markCodeTyped();
    bool codeTyped() const { return m_codeTyped; }
    // Enter in the code box, or leaving it: a typed code becomes the current stock.
    void applyTypedCode();
    // A stock another part of the window made current (the mining run, the watch list).
    void showStock(const QString& code, const QString& name);
    void DisplayStocks();
    void ShowStockOnQueryPage(bool withDocuments);
    // An item of the own stock list (a prefixed code).
    void pickOwnListItem(const QString& item);
    // After the list was (re)loaded: its first stock becomes the current one.
    void listLoaded();

private:
    const StockList& m_list;
    TDataBase* m_db;
    AppFrame& m_frame;
    QString m_codeText;
    bool m_codeTyped = false;
    QString m_name;
    QString m_prefixedCode;
    int m_listTopIndex = 0;
    QString m_shareCapitalText;
};

}  // namespace quarrow
