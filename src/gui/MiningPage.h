#pragma once

#include "automation/QuoteWindows.h"
#include "mining/MiningRun.h"

#include <QWidget>

class QCheckBox;
class QPushButton;
class QSpinBox;

namespace quarrow {

class AppFrame;

// The mining page "挖掘操盘庄家" (TabGetFromHuLin): the run's options, the screening
// threshold and day count, the four check boxes that show which quote windows are known,
// and the button that starts the run.
class MiningPage : public QWidget {
    Q_OBJECT
public:
    MiningPage(AppFrame& frame, QWidget* parent);

    // What the user set, for the run; the folders come from the setup.
    MiningOptions options() const;
    int percent() const;
    bool allChanges() const;
    void setWindowStatus(const WindowStatus& status);

    QPushButton* startButton() const { return m_start; }

private:
    void valueChanged(QSpinBox* changed);

    AppFrame& m_frame;
    QCheckBox* m_onlyMine;
    QCheckBox* m_autoRepeat;
    QCheckBox* m_skipOut;
    QCheckBox* m_shutDown;
    QCheckBox* m_allChanges;
    QSpinBox* m_percent;
    QSpinBox* m_days;
    QCheckBox* m_quoteMain;
    QCheckBox* m_quoteChild;
    QCheckBox* m_codeMain;
    QCheckBox* m_codeChild;
    QPushButton* m_start;
};

}  // namespace quarrow
