#include "gui/RelayPage.h"

#include "app/AppFrame.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace quarrow {

namespace {

const QString kNicknameHint = QStringLiteral("为股票动态信息收取QQ,必须为昵称而非QQ号");
const QString kStartCaption = QStringLiteral("启动QQ监视");
const QString kStopCaption = QStringLiteral("关停QQ监视");

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QSpinBox* spinBox(QWidget* parent, const char* name, int low, int high, int step, int value) {
    auto* box = named(new QSpinBox(parent), name);
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setValue(value);
    return box;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, bool checked) {
    auto* box = named(new QCheckBox(caption, parent), name);
    box->setChecked(checked);
    return box;
}

}  // namespace

NicknameEdit::NicknameEdit(const char* name, QWidget* parent) : QLineEdit(parent) {
    setObjectName(QString::fromLatin1(name));
    setToolTip(kNicknameHint);
    setPlaceholderText(QStringLiteral("(输入QQ昵称)"));
}

void NicknameEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_edited = true;
        commit();
        return;
    }
    m_edited = true;
    QLineEdit::keyPressEvent(event);
}

void NicknameEdit::focusOutEvent(QFocusEvent* event) {
    commit();
    QLineEdit::focusOutEvent(event);
}

void NicknameEdit::commit() {
    if (!m_edited)
        return;
    m_edited = false;
    Q_EMIT committed(text().trimmed());
}

RelayPage::RelayPage(AppFrame& frame, QWidget* parent) : QWidget(parent), m_frame(frame) {
    setObjectName(QStringLiteral("TabSheetSendToQQ"));
    setWindowTitle(QStringLiteral("主力买卖QQ秀"));
    const WatchSelection watch;
    const RelaySettings relay;

    m_below = checkBox(this, "chkQQStockBelow", QStringLiteral("挑选股权数小于"), watch.below);
    m_belowBound = spinBox(this, "valueStockBelow", 100, 4000000, 100, watch.belowBound);
    m_upper = checkBox(this, "chkStockUpper", QStringLiteral("挑选股权数大于"), watch.upper);
    m_upperBound = spinBox(this, "valueStockUpper", 10000, 2100000000, 10000, watch.upperBound);
    m_includeOwn = checkBox(this, "chkIncludeMyStock", QStringLiteral("包含自选股票"), watch.includeOwn);
    m_includeOwn->setToolTip(QStringLiteral("自选股票的监视将不受买卖交易量的限制"));
    m_pick = named(new QPushButton(QStringLiteral("挑选监视股票"), this), "btnSetQQStock");
    m_pick->setToolTip(
        QStringLiteral("挑选进行主力买卖动态数据发送给QQ的股票,请设置挑选条件,否则发送数据量会很大"));

    m_nickname = new NicknameEdit("edtQQ", this);
    m_delay = spinBox(this, "valueDelay", 10, 60, 1, relay.delay_s);
    m_sendQty = spinBox(this, "valueSendQTY", 0, 400000, 10, relay.sendQty);
    m_onTime = checkBox(this, "chkOnTime", QStringLiteral("只在交易时段实时监视"), relay.onTime);
    m_onTime->setToolTip(
        QStringLiteral("选择时,只在股票交易时间进行买卖监视. 不选时,可在非交易时间发送监视数据."));
    m_relay = named(new QPushButton(kStartCaption, this), "btnSendToQQ");
    m_relay->setToolTip(QStringLiteral(
        "从华林或东方证券系统中提取股票主力买卖数据发送给指定的QQ,"
        "\r需要开启华林或东方行情软件中的\"主力买卖总览\"窗口,"
        "\r同时需要打开指定的QQ聊天窗口.\r监视期间,请勿操作使用计算机!按Ctrl+Alt+X可关闭监视"));
    m_relay->setEnabled(false);
    m_capture = named(new QPushButton(QStringLiteral("抓取主力买卖"), this), "btnMainGetMain");

    const auto helpImage = [this](const char* name, const QString& text, const QString& picture) {
        auto* image = named(new QToolButton(this), name);
        image->setText(QStringLiteral("?"));
        image->setToolTip(text);
        connect(image, &QToolButton::clicked, this,
                [this, text, picture] { m_frame.ShowHelpPicture(text, picture, false); });
        return image;
    };

    auto* grid = new QGridLayout;
    grid->addWidget(m_below, 0, 0);
    grid->addWidget(m_belowBound, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("万股的股票"), this), 0, 2);
    grid->addWidget(m_upper, 1, 0);
    grid->addWidget(m_upperBound, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("万股的股票"), this), 1, 2);
    grid->addWidget(m_includeOwn, 2, 0);
    grid->addWidget(m_pick, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("QQ昵称:"), this), 3, 0);
    grid->addWidget(m_nickname, 3, 1);
    grid->addWidget(helpImage("imgQQViewHelp", QStringLiteral("请启动QQ并打开与指定昵称的QQ聊天窗口!"),
                              QStringLiteral("QQ聊天窗口.jpg")),
                    3, 2);
    grid->addWidget(new QLabel(QStringLiteral("发送间隔"), this), 4, 0);
    grid->addWidget(m_delay, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("秒"), this), 4, 2);
    grid->addWidget(new QLabel(QStringLiteral("发送买卖超过"), this), 5, 0);
    grid->addWidget(m_sendQty, 5, 1);
    grid->addWidget(new QLabel(QStringLiteral("万股的股票"), this), 5, 2);
    grid->addWidget(m_onTime, 6, 0, 1, 2);
    grid->addWidget(helpImage("imgHelpQQMonitor", QStringLiteral("请打开行情软件的\"主力监控总览\"窗口!"),
                              QStringLiteral("主力监控总览.jpg")),
                    6, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_relay);
    buttons->addWidget(m_capture);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addStretch();
}

WatchSelection RelayPage::selection() const {
    WatchSelection selection;
    selection.below = m_below->isChecked();
    selection.belowBound = m_belowBound->value();
    selection.upper = m_upper->isChecked();
    selection.upperBound = m_upperBound->value();
    selection.includeOwn = m_includeOwn->isChecked();
    return selection;
}

RelaySettings RelayPage::relaySettings() const {
    RelaySettings settings;
    settings.delay_s = m_delay->value();
    settings.sendQty = m_sendQty->value();
    settings.onTime = m_onTime->isChecked();
    return settings;
}

void RelayPage::setOnTime(bool on) {
    m_onTime->setChecked(on);
}

void RelayPage::showState(bool relayOn, bool captureOn, bool stocksPicked) {
    m_relay->setText(relayOn ? kStopCaption : kStartCaption);
    m_relay->setEnabled(relayOn || (stocksPicked && !captureOn));
    m_pick->setEnabled(!relayOn && !captureOn);
    m_capture->setEnabled(!captureOn);
}

}  // namespace quarrow
