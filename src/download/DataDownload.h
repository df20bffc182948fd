#pragma once

#include "app/JobOutcome.h"
#include "app/RunControl.h"
#include "store/StoredRows.h"

#include <QDate>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

namespace quarrow {

class Clock;
class NetworkState;
class PageLoader;
struct PageTable;
class Settings;
class Shutdown;
class TDataBase;
struct DownloadResumePoint;

struct DownloadServices {
    TDataBase& db;
    AppFrame& frame;
    Clock& clock;
    RunControl& run;
    NetworkState& network;
    Shutdown& shutdown;
    PageLoader& loader;
    Settings& settings;  // where each phase notes how far it got
};

struct DownloadOptions {
    QString changePage;  // the abnormal-move rows
    QString bigPage;     // the block trades
    QString user;        // the name the query text gives the server
    bool shutdownWhenDone = false;
};

// The start date the user is asked for: the dialog's title, its prompt and the preset
// text. Nothing when the user cancelled.
using DownloadDateQuestion =
    std::function<std::optional<QString>(const QString& title, const QString& prompt, const QString& preset)>;

// A database that refused a write rolled the page being stored back and ended the
// download; a page that could not be loaded or read ended its phase. Either fails the
// download, and the next one goes on where this one stopped.
struct DownloadOutcome : JobOutcome {
    int changeStored = 0;   // abnormal-move rows stored
    int changeStocks = 0;   // the stocks those rows are of, each counted once
    int bigStored = 0;      // block trades stored
    StoredRows storedRows;  // the abnormal-move rows this download stored
    // Pages that could not be loaded or read, in plain English; each ended its phase.
    QStringList pageProblems;
    // The phases that went on from where an earlier download stopped.
    int resumedPhases = 0;
};

// The download of operator data from a server: first the abnormal-move rows, then the
// block trades, page by page, stored with the same keys and checks as the mining and
// with the duplicate question of every stock day that may be stored already. Each page
// is one transaction, so a page is stored whole or, when the database refuses it, not
// at all and said so.
class DataDownload {
public:
    explicit DataDownload(DownloadServices services);

    // The whole download, under the lease the job runner took for it.
    DownloadOutcome run(const RunLease& lease, const DownloadOptions& options,
                        const DownloadDateQuestion& askDate);

    // The preset of the date dialog and the block trades' start: the newest stored day of
    // each kind plus one, or the program's earliest day on an empty database. A day after
    // today is no one's data and never moves the start.
    QDate nextChangeDay();
    QDate nextBigDay();
    // Pages in a row without one valid row after which a phase is given up: a server that
    // always offers more and brings nothing would keep the download going for ever.
    static constexpr int kPagesWithoutProgress = 20;

private:
    enum class Phase { Change, Big };
    struct PhaseState;
    struct Row;

    void runPhase(Phase phase, const QString& page, const QDate& day,
                  const std::optional<DownloadResumePoint>& resumeFrom, const DownloadOptions& options,
                  DownloadOutcome& outcome);
    // A data row of the page when it is valid: its day in range, its figures, a six-digit
    // code and the names it needs.
    static std::optional<Row> validRow(Phase phase, const PageTable& table, int r, const QDate& latestDay);
    // The address storing the page leads to when every valid row is stored; empty when the
    // phase ends with it. rows gets each data row up to the end row that is valid, in place.
    static QUrl likelyNextPage(Phase phase, const PageTable& table, const PhaseState& state,
                               const QString& page, const QString& user,
                               std::vector<std::optional<Row>>& rows);
    // One page's rows, valid as likelyNextPage found them; false when the download must end
    // (a storage error).
    bool storePage(Phase phase, const PageTable& table, const std::vector<std::optional<Row>>& valid,
                   PhaseState& state, DownloadOutcome& outcome);
    bool storeRow(Phase phase, const Row& row, PhaseState& state, DownloadOutcome& outcome);
    // The stock's bookkeeping day against the row's: a new stock row, a later day noted, or
    // the question whether to store that day again. False on a storage error.
    bool checkStock(Phase phase, const Row& row, PhaseState& state);
    bool storeDepartment(const QString& name, DownloadOutcome& outcome);
    void showProgress(PhaseState& state, bool lastOfPage);

    DownloadServices m_s;
    QString m_storeError;
};

}  // namespace quarrow
