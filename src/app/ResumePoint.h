#pragma once

#include "app/AppFrame.h"

#include <QString>

#include <functional>

namespace quarrow {

class Clock;
class Settings;

// Where today's batch over the all-stocks list got to: the day it began ("Last"/"RunDate")
// and the prefixed key and row of the last stock it finished ("Code", "Index"). The
// mining run and the re-analysis keep the same point, so either resumes the same day
// where the other stopped.
class ResumePoint {
public:
    ResumePoint(Settings& settings, AppFrame& frame, const Clock& clock);

    // The 0-based list position to start at. When a batch of today noted a stock after
    // the first row, the user is asked (with the verb of the batch, "抓取" or "分析")
    // whether to go on from that stock itself, whose rows may not all be stored. Any
    // other start is a fresh one: today and an empty point are written together, so a
    // point of an earlier day is never offered as today's. positionOf gives a key's
    // position in the list, or -1.
    // unattendedTimeout_s > 0: nobody watches, and the question goes on from the noted
    // stock by itself after that many seconds.
    int chooseStart(const std::function<int(const QString& key)>& positionOf, Question question,
                    const QString& verb, int unattendedTimeout_s = 0);
    // The stock just finished. False when the settings file refused it (the settings'
    // lastError() says why).
    bool note(const QString& key, int index);
    // The last chooseStart could not write its fresh start (the settings' lastError()).
    bool freshStartFailed() const { return m_freshStartFailed; }

private:
    Settings& m_settings;
    AppFrame& m_frame;
    const Clock& m_clock;
    bool m_freshStartFailed = false;
};

}  // namespace quarrow
