#pragma once

#include "monitor/MainForceRelay.h"
#include "monitor/StocksForMonitor.h"

#include <QLineEdit>
#include <QWidget>

class QCheckBox;
class QPushButton;
class QSpinBox;

namespace quarrow {

class AppFrame;

// A box that edits the QQ nickname (edtQQ on the QQ page, edtQQForView on the setup page):
// every key but Enter marks it edited; Enter, or leaving it after an edit, commits it.
class NicknameEdit : public QLineEdit {
    Q_OBJECT
public:
    NicknameEdit(const char* name, QWidget* parent);

Q_SIGNALS:
    void committed(const QString& nickname);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void commit();
    bool m_edited = false;  // the tag of the box
};

// The page "主力买卖QQ秀" (TabSheetSendToQQ): which stocks to watch, the nickname whose
// chat window receives the alerts, the pacing and the threshold of the relay, and the
// buttons that pick the stocks, start and stop the relay and start the capture.
class RelayPage : public QWidget {
    Q_OBJECT
public:
    RelayPage(AppFrame& frame, QWidget* parent);

    WatchSelection selection() const;
    RelaySettings relaySettings() const;
    // The capture reads at any hour: it unchecks chkOnTime.
    void setOnTime(bool on);
    // The buttons follow the relay: "关停QQ监视" while it is on, the pick disabled then,
    // the capture's button disabled while it runs.
    void showState(bool relayOn, bool captureOn, bool stocksPicked);

    NicknameEdit* nicknameEdit() const { return m_nickname; }
    QPushButton* pickButton() const { return m_pick; }
    QPushButton* relayButton() const { return m_relay; }
    QPushButton* captureButton() const { return m_capture; }

private:
    AppFrame& m_frame;
    QCheckBox* m_below;
    QSpinBox* m_belowBound;
    QCheckBox* m_upper;
    QSpinBox* m_upperBound;
    QCheckBox* m_includeOwn;
    QPushButton* m_pick;
    NicknameEdit* m_nickname;
    QSpinBox* m_delay;
    QSpinBox* m_sendQty;
    QCheckBox* m_onTime;
    QPushButton* m_relay;
    QPushButton* m_capture;
};

}  // namespace quarrow
