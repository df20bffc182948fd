#include "support/RecordingFrame.h"

namespace quarrow::test {

MessageAnswer RecordingFrame::showMessage(const MessageRequest& request) {
    messages.append(request);
    if (onMessage)
        onMessage(request);
    if (request.buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    // Nobody answers a question that counts down: it takes its own answer.
    if (answers.isEmpty() && request.timeout_s > 0)
        return request.timeoutAnswer;
    return answers.isEmpty() ? MessageAnswer::No : answers.takeFirst();
}

void RecordingFrame::setStatusPanel(StatusPanel panel, const QString& text) {
    statusPanels[int(panel)] = text;
}

QStringList RecordingFrame::logTexts() const {
    QStringList texts;
    for (const auto& line : logs)
        texts << line.text;
    return texts;
}

int RecordingFrame::countLogs(const QString& fragment) const {
    int count = 0;
    for (const auto& line : logs)
        count += line.text.contains(fragment) ? 1 : 0;
    return count;
}

bool RecordingFrame::hasLog(const QString& text, LogColor color) const {
    for (const auto& line : logs) {
        if (line.text == text && line.color == color)
            return true;
    }
    return false;
}

}  // namespace quarrow::test
