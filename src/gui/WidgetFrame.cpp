#include "gui/WidgetFrame.h"

#include "gui/ProgressBox.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

#include <utility>

namespace quarrow {

namespace {

// The flash shows and hides the prompt line four times, then leaves it shown.
constexpr int kFlashToggles = 3;

QColor colorOf(LogColor color) {
    switch (color) {
        case LogColor::Red:
            return Qt::red;
        case LogColor::Green:
            return QColor(0, 128, 0);
        case LogColor::Magenta:
            return Qt::magenta;
        case LogColor::Blue:
            return Qt::blue;
        case LogColor::Default:
            break;
    }
    return Qt::black;
}

}  // namespace

WidgetFrame::WidgetFrame(QString programFolder) : m_programFolder(std::move(programFolder)) {}

void WidgetFrame::setCommands(const QList<QAbstractButton*>& buttons, const QList<QAction*>& actions) {
    m_commandButtons = {buttons.begin(), buttons.end()};
    m_commandActions = {actions.begin(), actions.end()};
}

QStringList WidgetFrame::statusCaptions() {
    return {QStringLiteral("股票数:"),
            QString(),
            QStringLiteral("待处理股票数:"),
            QString(),
            QStringLiteral("抓取失败:"),
            QString(),
            QStringLiteral("涨跌异动股票数:"),
            QString(),
            QStringLiteral("大宗交易笔数:"),
            QString(),
            QString(),
            QStringLiteral("抓取次数:"),
            QString()};
}

QStringList WidgetFrame::takeNotices() {
    m_collecting = false;
    return std::exchange(m_notices, {});
}

bool WidgetFrame::isNewNotice(const QString& line) {
    if (!m_collecting || m_notices.contains(line))
        return false;
    m_notices.append(line);
    return true;
}

void WidgetFrame::displayPrompt(const QString& oneLine) {
    if (isNewNotice(oneLine))
        m_w.promptMemo->appendPlainText(oneLine);
    m_w.prompt->setText(oneLine);
    m_w.prompt->setVisible(true);
    m_flashTag = 0;
    m_flashing = true;
}

bool WidgetFrame::flashTick() {
    if (!m_flashing)
        return false;
    if (m_flashTag <= kFlashToggles) {
        ++m_flashTag;
        m_w.prompt->setVisible(m_w.prompt->isHidden());
        return true;
    }
    m_w.prompt->setVisible(true);
    m_flashTag = 0;
    m_flashing = false;
    return false;
}

QWidget* WidgetFrame::showPicture(const QString& path) {
    QPixmap picture(path);
    if (picture.isNull())
        return nullptr;
    // A magenta frame around the picture, centred on the window and in front of it, so
    // the user sees which steps the box's text means.
    auto* panel = new QLabel(m_w.window);
    panel->setObjectName(QStringLiteral("pnlHelpPicture"));
    panel->setPixmap(picture);
    panel->setStyleSheet(QStringLiteral("QLabel { border: 6px solid #FF00FF; background: #FF00FF; }"));
    panel->adjustSize();
    panel->move(std::max(0, (m_w.window->width() - panel->width()) / 2),
                std::max(0, (m_w.window->height() - panel->height()) / 2));
    panel->show();
    panel->raise();
    return panel;
}

std::optional<QString> WidgetFrame::chooseFile(const QString& title, const QString& proposedPath) {
    if (m_fileChooser)
        return m_fileChooser(proposedPath);
    const QString chosen = QFileDialog::getSaveFileName(m_w.window, title, proposedPath);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> WidgetFrame::chooseFolder(const QString& title, const QString& startFolder) {
    if (m_folderChooser)
        return m_folderChooser(startFolder);
    const QString chosen = QFileDialog::getExistingDirectory(m_w.window, title, startFolder);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

bool WidgetFrame::openDocument(const QString& path) {
    if (m_documentOpener)
        return m_documentOpener(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void WidgetFrame::holdCommands(bool held) {
    for (const QPointer<QAbstractButton>& button : m_commandButtons) {
        if (button)
            button->setEnabled(!held);
    }
    for (const QPointer<QAction>& action : m_commandActions) {
        if (action)
            action->setEnabled(!held);
    }
}

MessageAnswer WidgetFrame::showMessage(const MessageRequest& request) {
    QWidget* picture = nullptr;
    if (!request.picturePath.isEmpty() && QFileInfo(request.picturePath).isFile())
        picture = showPicture(request.picturePath);
    std::optional<MessageAnswer> answer;
    if (m_answerer)
        answer = m_answerer(request);
    if (!answer) {
        const bool yesNo = request.buttons != MessageButtons::Ok;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        if (request.buttons == MessageButtons::YesNo)
            buttons = QMessageBox::Yes | QMessageBox::No;
        else if (request.buttons == MessageButtons::YesNoToAll)
            buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::NoToAll | QMessageBox::YesToAll;
        QMessageBox box(yesNo ? QMessageBox::Question : QMessageBox::Information, request.title, request.text,
                        buttons, m_w.window);
        // A question of a run nobody watches counts down to its safe answer.
        QTimer countdown;
        int secondsLeft = request.timeout_s;
        bool timedOut = false;
        if (secondsLeft > 0) {
            const QString text = request.text;
            const QString safe = !yesNo                                        ? QStringLiteral("确定")
                                 : request.timeoutAnswer == MessageAnswer::Yes ? QStringLiteral("是")
                                                                               : QStringLiteral("否");
            const auto show = [&box, text, safe, &secondsLeft] {
                box.setText(text + QStringLiteral("\n\n(%1秒后自动选择\"%2\")").arg(secondsLeft).arg(safe));
            };
            show();
            QObject::connect(&countdown, &QTimer::timeout, &box, [&box, &secondsLeft, &timedOut, show] {
                if (--secondsLeft > 0) {
                    show();
                    return;
                }
                timedOut = true;
                box.done(QMessageBox::Cancel);
            });
            countdown.start(1000);
        }
        // During a run our window stays on top and the quote program has the keyboard: the
        // question comes in front of it, not behind.
        if (m_w.window && m_w.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            box.setWindowFlag(Qt::WindowStaysOnTopHint);
        if (m_bringToFront)
            QTimer::singleShot(0, &box, [this, &box] { m_bringToFront(&box); });
        const int pressed = box.exec();
        countdown.stop();
        answer = timedOut                           ? (yesNo ? request.timeoutAnswer : MessageAnswer::Ok)
                 : !yesNo                           ? MessageAnswer::Ok
                 : pressed == QMessageBox::Yes      ? MessageAnswer::Yes
                 : pressed == QMessageBox::YesToAll ? MessageAnswer::YesToAll
                 : pressed == QMessageBox::NoToAll  ? MessageAnswer::NoToAll
                                                    : MessageAnswer::No;
    }
    delete picture;
    if (m_w.window) {
        m_w.window->raise();
        m_w.window->activateWindow();
    }
    return *answer;
}

void WidgetFrame::addLog(const QString& line, LogColor color) {
    QTextCursor cursor(m_w.log->document());
    cursor.movePosition(QTextCursor::End);
    if (!m_w.log->document()->isEmpty())
        cursor.insertBlock();
    QTextCharFormat format;
    format.setForeground(colorOf(color));
    cursor.insertText(line, format);
    m_w.log->verticalScrollBar()->setValue(m_w.log->verticalScrollBar()->maximum());
}

void WidgetFrame::clearLog() {
    m_w.log->clear();
}

QStringList WidgetFrame::logLines() const {
    if (m_w.log->document()->isEmpty())
        return {};
    return m_w.log->toPlainText().split(QLatin1Char('\n'));
}

void WidgetFrame::setStatusPanel(StatusPanel panel, const QString& text) {
    const int index = static_cast<int>(panel);
    if (index >= 0 && index < m_w.statusPanels.size())
        m_w.statusPanels[index]->setText(text);
}

void WidgetFrame::addPromptMemo(const QString& line) {
    // While the window starts, a note said twice is kept once.
    if (m_collecting && !isNewNotice(line))
        return;
    m_w.promptMemo->appendPlainText(line);
}

void WidgetFrame::showCapture(const QStringList& lines) {
    m_w.capture->setPlainText(lines.join(QLatin1Char('\n')));
}

void WidgetFrame::showProgress(const RunProgress& progress) {
    m_w.progress->showProgress(progress);
}

void WidgetFrame::hideProgress() {
    m_w.progress->hide();
}

void WidgetFrame::enableCommands(bool on) {
    for (const QPointer<QAbstractButton>& button : m_commandButtons) {
        if (button)
            button->setEnabled(on);
    }
    for (const QPointer<QAction>& action : m_commandActions) {
        if (action)
            action->setEnabled(on);
    }
    // The stop command is the other side of the same switch: on exactly while a run works.
    if (m_w.stop)
        m_w.stop->setEnabled(!on);
}

void WidgetFrame::processEvents() {
    if (m_pumpHook)
        m_pumpHook();
    QApplication::processEvents();
}

}  // namespace quarrow
