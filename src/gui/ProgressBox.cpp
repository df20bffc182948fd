#include "gui/ProgressBox.h"

#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quarrow {

namespace {

constexpr int kMiningWidth = 460;
constexpr int kDownloadWidth = 800;
// Room the download layout keeps below the mouse line for the server's page.
constexpr int kWebHeight = 365;

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* widget = new QLabel(text, parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

ProgressBox::ProgressBox(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("GroupBoxProgress"));
    setAutoFillBackground(true);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressStock"));
    m_bar->setTextVisible(false);
    m_bar->setGeometry(12, 24, kMiningWidth - 24, 18);
    label(this, "lblCaptionNeed", QStringLiteral("需要用时:"))->setGeometry(12, 50, 70, 18);
    m_timeNeeded = label(this, "lblTimeNeeded", QStringLiteral("00:00:00"));
    m_timeNeeded->setGeometry(84, 50, 90, 18);
    label(this, "lblCptionRem", QStringLiteral("剩余时间:"))->setGeometry(200, 50, 70, 18);
    m_remain = label(this, "lblRemain", QStringLiteral("00:00:00"));
    m_remain->setGeometry(272, 50, 90, 18);
    m_prompt = label(this, "lblPrompt", miningPrompt());
    m_prompt->setGeometry(12, 74, kMiningWidth - 24, 18);
    m_web = new QWidget(this);
    m_web->setObjectName(QStringLiteral("pnlWeb"));
    m_web->hide();
    // Plain text: it runs nothing and fetches nothing the page names.
    m_webView = new QPlainTextEdit(m_web);
    m_webView->setObjectName(QStringLiteral("WebBrowser"));
    m_webView->setReadOnly(true);
    (new QVBoxLayout(m_web))->addWidget(m_webView);
    hide();
    SetProgressMode(false);
}

QString ProgressBox::miningPrompt() {
    return QStringLiteral("点击鼠标右键暂停挖掘;点击鼠标左键终止挖掘");
}

QString ProgressBox::pausedPrompt() {
    return QStringLiteral("挖掘任务暂停中,按鼠标左键继续挖掘!");
}

void ProgressBox::SetProgressMode(bool download) {
    m_download = download;
    const int promptBottom = m_prompt->geometry().bottom() + 1;
    if (!download) {
        m_web->hide();
        setTitle(QString(16, QLatin1Char(' ')) + QStringLiteral("正在挖掘股票操盘庄家数据,请勿操作计算机") +
                 QString(14, QLatin1Char(' ')));
        m_prompt->setText(miningPrompt());
        resize(kMiningWidth, promptBottom + 8);
    } else {
        setTitle(QString(16, QLatin1Char(' ')) + QStringLiteral("从服务器下载股票操盘庄家数据") +
                 QString(17, QLatin1Char(' ')));
        m_prompt->setText(QStringLiteral("点击右上角的停止键终止下载"));
        resize(kDownloadWidth, promptBottom + kWebHeight);
        m_web->setGeometry(12, promptBottom + 4, kDownloadWidth - 24, kWebHeight - 12);
        m_web->show();
    }
    centre();
}

void ProgressBox::showProgress(const RunProgress& progress) {
    const bool download = progress.layout == ProgressLayout::Download;
    if (download != m_download || isHidden())
        SetProgressMode(download);
    m_bar->setMaximum(std::max(progress.maximum, 1));
    m_bar->setValue(std::clamp(progress.position, 0, std::max(progress.maximum, 1)));
    m_timeNeeded->setText(progress.timeNeeded);
    m_remain->setText(progress.timeRemaining);
    show();
    raise();
}

void ProgressBox::setPromptLine(const QString& text) {
    m_prompt->setText(text);
}

QString ProgressBox::promptLine() const {
    return m_prompt->text();
}

void ProgressBox::centre() {
    if (!parentWidget())
        return;
    const QSize area = parentWidget()->size();
    move(std::max(0, (area.width() - width()) / 2), std::max(0, (area.height() - height()) / 2));
}

void ProgressBox::mouseDoubleClickEvent(QMouseEvent* event) {
    hide();
    event->accept();
}

}  // namespace quarrow
