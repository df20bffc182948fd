#include "app/ResumePoint.h"

#include "app/Settings.h"
#include "platform/Clock.h"

namespace quarrow {

ResumePoint::ResumePoint(Settings& settings, AppFrame& frame, const Clock& clock)
    : m_settings(settings), m_frame(frame), m_clock(clock) {}

int ResumePoint::chooseStart(const std::function<int(const QString& key)>& positionOf, Question question,
                             const QString& verb, int unattendedTimeout_s) {
    const QDate today = m_clock.today();
    if (m_settings.lastRunDate() == today) {
        const QString key = m_settings.lastCode();
        const int position = key.isEmpty() ? -1 : positionOf(key);
        if (position > 0) {
            MessageRequest request;
            request.question = question;
            request.title = AppFrame::kHintTitle;
            request.text = QStringLiteral("今日已经") + verb + QStringLiteral("到") + key +
                           QStringLiteral("的") + QStringLiteral("☆龙虎榜单☆") +
                           QStringLiteral(",是否从此股票开始") + verb +
                           QStringLiteral("后续股票的数据?\r(如果选择否,将从第一只股票重新开始)");
            request.buttons = MessageButtons::YesNo;
            request.timeout_s = unattendedTimeout_s;
            request.timeoutAnswer = MessageAnswer::Yes;
            if (m_frame.showMessage(request) == MessageAnswer::Yes)
                return position;
        }
    }
    m_freshStartFailed = !m_settings.startFreshRun(today);
    return 0;
}

bool ResumePoint::note(const QString& key, int index) {
    return m_settings.writeLastStock(key, index);
}

}  // namespace quarrow
