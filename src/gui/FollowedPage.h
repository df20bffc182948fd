#pragma once

#include "follow/FollowedTrades.h"

#include <QWidget>

#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QStandardItemModel;
class QTableView;

namespace quarrow {

class AppFrame;
class DateBox;
class FollowCommands;
class PageHost;
class ProgramServices;
struct FollowedRunReport;

// The page "关注营业部动向": the followed departments, with their rows stored by the last
// mining run, re-analysis or download (or of the days since one the user picks), newest
// first, each with the department's record on the side of its net; whether a run sends
// them to the QQ chat; and the day's digest, opened in the desktop's browser.
class FollowedPage : public QWidget {
    Q_OBJECT
public:
    FollowedPage(ProgramServices& services, PageHost& host, QWidget* parent);

    FollowCommands& commands() { return *m_commands; }
    QTableView* grid() const { return m_grid; }
    QListWidget* list() const { return m_list; }
    // Where the last digest was written; empty before the first.
    QString digestFile() const { return m_digestFile; }

    // A job stored rows: its followed rows show, and the window turns to the page when
    // there are any.
    void showRun(const FollowedRunReport& report);

public Q_SLOTS:
    // The rows of the followed departments from the picked day on.
    void btnFollowedSinceClick();
    void btnFollowAddClick();
    void btnFollowDelClick();
    // The digest of the picked day as an HTML page, opened in the browser.
    void btnDigestClick();

private:
    void fillList();
    // The day box on the newest day the store holds: where a look at the rows begins.
    void startAtNewestDay();
    void fillRows(const FollowedTradeList& list, const QString& caption);

    ProgramServices& m_services;
    PageHost& m_host;
    AppFrame& m_frame;
    FollowCommands* m_commands;
    QListWidget* m_list;
    QLineEdit* m_name;
    QCheckBox* m_sendToChat;
    DateBox* m_since;
    QLabel* m_caption;
    QStandardItemModel* m_rows;
    QTableView* m_grid;
    QString m_digestFile;
};

}  // namespace quarrow
