#include "gui/RunMouseFilter.h"

#include "app/RunControl.h"
#include "gui/ProgressBox.h"

#include <QApplication>
#include <QMouseEvent>

namespace quarrow {

RunMouseFilter::RunMouseFilter(RunControl& run, AppFrame& frame, ProgressBox& progress,
                               std::function<void()> stop, QObject* parent)
    : QObject(parent), m_run(run), m_frame(frame), m_progress(progress), m_stop(std::move(stop)) {}

bool RunMouseFilter::eventFilter(QObject* watched, QEvent* event) {
    // Widgets only: a press reaches the window system's window first and then the widget,
    // and one click must count once.
    if (!m_run.stopEnabled() || m_downloadWaiting || !watched->isWidgetType())
        return false;
    // A box the run asks a question with must take its clicks, or the answer would stop
    // the run instead.
    if (QApplication::activeModalWidget())
        return false;
    switch (event->type()) {
        case QEvent::MouseMove:
            m_frame.ShowPrompt(QStringLiteral(
                "要使用计算机,请先暂停(鼠标右键)或停止(鼠标左键)\"挖掘操盘庄家\"功能和关闭\"QQ监视\"！"));
            return false;
        case QEvent::MouseButtonDblClick:
            // The second press of a double click: the first one already paused, resumed or
            // stopped; counting it again would resume a paused run and stop it at once.
            return true;
        case QEvent::ContextMenu:
            // The right click that pauses is the whole of it: no grid opens its menu.
            return true;
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::RightButton) {
                m_run.pause();
                m_progress.setPromptLine(ProgressBox::pausedPrompt());
            } else if (mouse->button() == Qt::LeftButton) {
                if (m_run.state() == RunState::Paused) {
                    m_run.resume();
                    m_progress.setPromptLine(ProgressBox::miningPrompt());
                } else {
                    m_stop();
                }
            }
            return true;
        }
        case QEvent::MouseButtonRelease:
            return true;
        default:
            return false;
    }
}

}  // namespace quarrow
