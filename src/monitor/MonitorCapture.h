#pragma once

#include "platform/Desktop.h"

#include <QDate>
#include <QHash>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace quarrow {

class AppFrame;
class QuoteWindows;

// What was handled of one of the monitor's two lists.
struct MonitorListState {
    int handled = 0;
    // The newest row handled: the next read finds it just below the rows added since.
    std::vector<std::u16string> newest;
    // The alerts of the list read so far, by what their memo says: the count numbers a
    // look-alike of the same minute.
    QHash<QString, int> seen;
    void reset() { *this = MonitorListState(); }
};

// Both lists of one reader (the relay for as long as the program runs, a capture from its
// start), with the day their look-alike counts belong to.
struct MonitorLists {
    MonitorListState selling;
    MonitorListState buying;
    QDate day;
};

// The quote program's monitor window "主力监控总览" as the relay and the capture read it:
// found (or opened) before each pass, switched between its selling and its buying list,
// and read for the rows it added since the last read.
class MonitorCapture {
public:
    static inline const QString kTitle = QStringLiteral("主力监控总览");

    MonitorCapture(QuoteWindows& windows, Desktop& desktop, AppFrame& frame);

    // Opens the monitor window for a start: false when it cannot be had.
    bool open();
    // Before a pass: the window found, opened again when it was closed. False (said on the
    // prompt line) when it is not open and could not be opened.
    bool ready();
    // Shows the selling or the buying list.
    void showSelling();
    void showBuying();
    // The rows the shown list added since it was last read, newest first, as text lines of
    // tab-separated cells; nothing when the list cannot be selected.
    std::optional<QStringList> freshRows(MonitorListState& state);

private:
    void clickList(int y);
    std::vector<std::vector<std::u16string>> readFreshRows(WindowHandle listView, MonitorListState& state);

    QuoteWindows& m_windows;
    Desktop& m_desktop;
    AppFrame& m_frame;
};

}  // namespace quarrow
