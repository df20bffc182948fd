#pragma once

#include "automation/QuoteWindows.h"
#include "mining/MiningRun.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace quarrow {

class AppFrame;
class PageHost;
class ProgramServices;

// The mining page "挖掘操盘庄家" (TabGetFromHuLin): the run's options, the screening
// threshold and day count, the four check boxes that show which quote windows are known,
// and the button that starts the run.
class MiningPage : public QWidget {
    Q_OBJECT
public:
    MiningPage(ProgramServices& services, PageHost& host, QWidget* parent);

    // What the user set, for the run; the folders come from the setup.
    MiningOptions options() const;
    int percent() const;
    bool allChanges() const;
    void setWindowStatus(const WindowStatus& status);
    const MiningOutcome& lastOutcome() const { return m_lastOutcome; }

    QPushButton* startButton() const { return m_start; }
    // The automatic daily start clicks the start button: a run nobody watches.
    void startAutomatically();
    QSpinBox* lastDaysBox() const { return m_days; }
    // Says when the next automatic run is due, and on the start-up day why not sooner.
    QString showNextAutoStart();

public Q_SLOTS:
    // The mining run "挖掘操盘数据".
    void btnGetAllOfTheNewDocsClick();

Q_SIGNALS:
    // The run works on this stock now.
    void stockShown(const QString& code, const QString& name);
    // The run ended: its stored rows are to be shown, the range taking in their days.
    void resultsReady(const DateRange& days);
    // The run stored department names the query page does not list yet.
    void departmentsAdded();
    // The run's end: the department list is read again when its reload command is on.
    void refreshDepartments();

private:
    void valueChanged(QSpinBox* changed);
    MiningWindowHooks windowHooks();

    ProgramServices& m_services;
    PageHost& m_host;
    AppFrame& m_frame;
    MiningOutcome m_lastOutcome;
    bool m_startingAutomatically = false;
    QCheckBox* m_onlyMine;
    QCheckBox* m_autoRepeat;
    QCheckBox* m_skipOut;
    QCheckBox* m_shutDown;
    QCheckBox* m_allChanges;
    QCheckBox* m_exchangeRules;
    QSpinBox* m_percent;
    QSpinBox* m_days;
    QCheckBox* m_quoteMain;
    QCheckBox* m_quoteChild;
    QCheckBox* m_codeMain;
    QCheckBox* m_codeChild;
    QPushButton* m_start;
    QLabel* m_nextAutoStart;
};

}  // namespace quarrow
