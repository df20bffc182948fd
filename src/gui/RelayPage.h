#pragma once

#include "monitor/MainForceRelay.h"
#include "monitor/StocksForMonitor.h"

#include <QLineEdit>
#include <QWidget>

#include <memory>

class QCheckBox;
class QMenu;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace quarrow {

class AppFrame;
class PageHost;
class ProgramServices;

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
// buttons that pick the stocks, start and stop the relay and start the capture. It owns
// the relay, the watch list's grid (StocksForMonitor, shown on the log page) and the
// setup page's nickname box (edtQQForView), which edits the same nickname.
class RelayPage : public QWidget {
    Q_OBJECT
public:
    RelayPage(ProgramServices& services, PageHost& host, QWidget* parent);
    ~RelayPage() override;

    WatchSelection selection() const;
    RelaySettings relaySettings() const;

    QTableWidget* watchGrid() const { return m_watchGrid; }
    NicknameEdit* setupNicknameEdit() const { return m_nicknameForView; }
    // MenuSendToQQ, which opens this page.
    void addMenuCommands(QMenu* menu);
    // Shows the stored nickname in both boxes.
    void showNickname();
    bool relayOn() const;
    // One tick of the window's timer; true while the relay's passes take the ticks.
    bool tick();

public Q_SLOTS:
    void btnSetQQStockClick();
    void btnSendToQQClick();
    void btnMainGetMainClick();
    void StocksForMonitorSelectCell(int row);
    void edtQQExit(const QString& nickname);

Q_SIGNALS:
    // A watched stock was clicked: it becomes the window's current stock.
    void stockChosen(const QString& code, const QString& name);
    // The relay or the capture started or ended.
    void activeChanged(bool active);

private:
    // The buttons follow the relay: "关停QQ监视" while it is on, the pick disabled then,
    // the capture's button disabled while it runs; chkOnTime shows what the relay uses.
    void showState();
    void showWatchList();

    ProgramServices& m_services;
    PageHost& m_host;
    AppFrame& m_frame;
    std::unique_ptr<MainForceRelay> m_relayJob;
    QTableWidget* m_watchGrid;
    NicknameEdit* m_nicknameForView;
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
