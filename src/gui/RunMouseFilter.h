#pragma once

#include <QObject>

#include <functional>

namespace quarrow {

class AppFrame;
class ProgressBox;
class RunControl;

// While a run works, the mouse steers it anywhere in the program: a right click pauses,
// a left click resumes a paused run or stops a running one, and no click reaches the
// control under the mouse. Moving the mouse only reminds the user how.
class RunMouseFilter : public QObject {
    Q_OBJECT
public:
    RunMouseFilter(RunControl& run, AppFrame& frame, ProgressBox& progress, std::function<void()> stop,
                   QObject* parent);

    // A server download waiting for its page lets clicks through to its own stop key.
    void setDownloadWaiting(bool waiting) { m_downloadWaiting = waiting; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RunControl& m_run;
    AppFrame& m_frame;
    ProgressBox& m_progress;
    std::function<void()> m_stop;
    bool m_downloadWaiting = false;
};

}  // namespace quarrow
