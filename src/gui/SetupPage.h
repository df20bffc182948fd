#pragma once

#include "app/SystemSetup.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QTimeEdit;

namespace quarrow {

class Settings;

// The setup page "系统设置" (TabSheetSetup): the widgets only forward the user's keys,
// clicks and leaving to SystemSetup and show what it holds.
class SetupPage : public QWidget {
    Q_OBJECT
public:
    SetupPage(SystemSetup& setup, Settings& settings, AppFrame& frame, QWidget* parent);

    // Shows what the setup holds (after it was loaded).
    void refresh();
    // A further setting below the page's own, with its caption.
    void addRow(const QString& caption, QWidget* field);

    // The folder dialog of the "浏览…" buttons: the folder chosen, nothing for Cancel.
    std::function<std::optional<QString>(const QString& startFolder)> chooseFolder;

Q_SIGNALS:
    // The user chose the other quote program: its windows must be looked for again.
    void quoteProgramChosen();
    // A folder was stored: it counts from now on.
    void folderStored(FolderKind kind);
    void autoStartChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool folderEvent(FolderKind kind, QEvent* event);
    void commitFolder(FolderKind kind, bool stored);
    void browseFolder(FolderKind kind);
    void showFolder(FolderKind kind);
    void commitCalendar(TradingCalendar::List list);
    void pickerChanged();

    SystemSetup& m_setup;
    Settings& m_settings;
    AppFrame& m_frame;
    QGridLayout* m_grid;
    std::array<QLineEdit*, 3> m_folders{};
    QRadioButton* m_hualin;
    QRadioButton* m_dongfang;
    QPlainTextEdit* m_holidays;
    QPlainTextEdit* m_exceptDays;
    QTimeEdit* m_startTime;
    QCheckBox* m_startOn;
    bool m_keyInEdit = false;
    bool m_refreshing = false;
};

}  // namespace quarrow
