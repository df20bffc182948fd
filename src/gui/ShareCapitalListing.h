#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QStandardItemModel;

namespace quarrow {

class PageHost;
class ProgramServices;
class ResultGridPanel;

// The share capital's commands of the stock-code page: the import from the quote
// program's files, the listing "调阅股本数据" in the result grid, and the refresh of the
// stored names.
class ShareCapitalListing : public QObject {
    Q_OBJECT
public:
    ShareCapitalListing(ProgramServices& services, PageHost& host, ResultGridPanel& results, QObject* parent);

    void importShareCapital();
    // Every stock's share capital, or only the stock of the code given.
    void listShareCapital(const std::optional<QString>& code);
    void refreshNames();

private:
    QString quoteFolder() const;

    ProgramServices& m_services;
    PageHost& m_host;
    ResultGridPanel& m_results;
    QStandardItemModel* m_rows = nullptr;
};

}  // namespace quarrow
