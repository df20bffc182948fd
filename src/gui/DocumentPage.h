#pragma once

#include "report/ReanalysisBatch.h"

#include <QWidget>

#include <memory>

class QListWidget;
class QPushButton;

namespace quarrow {

class AppFrame;
class MiningPage;
class PageHost;
class ProgramServices;
class SavedDocuments;
class StockCodePage;

// The document page "历史资料" (TabDocHistory): the current stock's saved report documents
// (ListBoxStDoc) and the one opened in the capture memo, the re-analysis of every saved
// document, and the clean-up of the old ones.
class DocumentPage : public QWidget {
    Q_OBJECT
public:
    // The current stock is the stock-code page's; the re-analysis takes the mining page's
    // screening options.
    DocumentPage(ProgramServices& services, PageHost& host, const StockCodePage& stocks,
                 const MiningPage& mining, QWidget* parent);
    ~DocumentPage() override;

    const ReanalysisOutcome& lastReanalysisOutcome() const { return m_lastReanalysis; }
    QPushButton* reanalysisButton() const { return m_reanalyse; }

public Q_SLOTS:
    // Lists the current stock's documents and opens the newest.
    void btnReadStDocumentsClick();
    // Opens the document chosen in the list.
    void ListBoxStDocClick();
    // The re-analysis "恢复挖掘数据" of every saved document.
    void btnGetAllFromTxtDocsClick();
    // The clean-up that keeps only each stock's newest document.
    void btnDeleteClick();

Q_SIGNALS:
    // The re-analysis stored department names the query page does not list yet.
    void departmentsStored();

private:
    ProgramServices& m_services;
    PageHost& m_host;
    AppFrame& m_frame;
    const StockCodePage& m_stocks;
    const MiningPage& m_mining;
    QListWidget* m_list;  // ListBoxStDoc
    QPushButton* m_reanalyse;
    std::unique_ptr<SavedDocuments> m_documents;
    ReanalysisOutcome m_lastReanalysis;
};

}  // namespace quarrow
