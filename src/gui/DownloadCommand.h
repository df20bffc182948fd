#pragma once

#include "download/DataDownload.h"

#include <QObject>

class QWidget;

namespace quarrow {

class MiningPage;
class PageHost;
class ProgramServices;
class ProgressBox;
class QueryPage;
class RunMouseFilter;

// The window's download command "下载操盘数据" (btnGetFromServer): the date dialog, the
// progress box in its download layout with the page shown below the figures, and the
// job in the core. The stored rows widen the query page's dates.
class DownloadCommand : public QObject {
    Q_OBJECT
public:
    // The dialog stands over window; while a page is on its way, the run's mouse filter
    // lets the clicks through.
    DownloadCommand(ProgramServices& services, PageHost& host, QueryPage& query, const MiningPage& mining,
                    ProgressBox& progress, RunMouseFilter& mouse, QWidget* window);

    const DownloadOutcome& lastOutcome() const { return m_lastOutcome; }

public Q_SLOTS:
    void btnGetFromServerClick();

private:
    ProgramServices& m_services;
    PageHost& m_host;
    QueryPage& m_query;
    const MiningPage& m_mining;
    ProgressBox& m_progress;
    RunMouseFilter& m_mouse;
    QWidget* m_window;
    DownloadOutcome m_lastOutcome;
};

}  // namespace quarrow
