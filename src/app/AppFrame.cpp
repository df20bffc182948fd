#include "app/AppFrame.h"

#include <QDir>
#include <QFileInfo>

namespace quarrow {

void AppFrame::ShowPrompt(const QString& text) {
    QString oneLine = text;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
    displayPrompt(oneLine);
}

MessageAnswer AppFrame::ShowHelpPicture(const QString& text, const QString& pictureName, bool yesNo,
                                        Question question) {
    MessageRequest request;
    request.question = question;
    request.buttons = yesNo ? MessageButtons::YesNo : MessageButtons::Ok;
    request.text = text;
    return showWithHelpPicture(request, pictureName);
}

MessageAnswer AppFrame::showWithHelpPicture(MessageRequest request, const QString& pictureName) {
    if (!pictureName.isEmpty()) {
        const QString path = QDir(programFolder()).filePath(pictureName);
        if (QFileInfo::exists(path)) {
            request.picturePath = path;
            request.text += QStringLiteral("\r请按图示操作步骤打开窗口");
        }
    }
    return showMessage(request);
}

void AppFrame::notify(const QString& text) {
    MessageRequest request;
    request.text = text;
    showMessage(request);
}

bool AppFrame::ask(Question question, const QString& text, const QString& title) {
    MessageRequest request;
    request.question = question;
    request.title = title;
    request.text = text;
    request.buttons = MessageButtons::YesNo;
    return showMessage(request) == MessageAnswer::Yes;
}

MessageAnswer AppFrame::askForEach(Question question, const QString& text, const QString& title) {
    MessageRequest request;
    request.question = question;
    request.title = title;
    request.text = text;
    request.buttons = MessageButtons::YesNoToAll;
    return showMessage(request);
}

}  // namespace quarrow
