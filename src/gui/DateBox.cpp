#include "gui/DateBox.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QToolButton>
#include <QWidgetAction>

namespace quarrow {

DateBox::DateBox(QWidget* parent)
    : QWidget(parent),
      m_text(new QLineEdit(this)),
      m_pick(new QToolButton(this)),
      m_popup(new QMenu(this)),
      m_calendar(new QCalendarWidget(m_popup)),
      m_date(QDate(2000, 1, 1)) {
    m_text->setPlaceholderText(kFormat);
    m_text->setText(m_date.toString(kFormat));
    m_text->installEventFilter(this);
    // Ten characters and the frame: the box keeps its width whatever the layout gives.
    m_text->setMinimumWidth(m_text->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-000")) + 12);
    m_pick->setObjectName(QStringLiteral("btnPickDate"));
    m_pick->setArrowType(Qt::DownArrow);
    m_pick->setToolTip(QStringLiteral("从日历中选择日期"));
    m_pick->setPopupMode(QToolButton::InstantPopup);
    m_calendar->setGridVisible(true);
    auto* holder = new QWidgetAction(m_popup);
    holder->setDefaultWidget(m_calendar);
    m_popup->addAction(holder);
    m_pick->setMenu(m_popup);
    connect(m_popup, &QMenu::aboutToShow, this, [this] { m_calendar->setSelectedDate(m_date); });
    connect(m_calendar, &QCalendarWidget::clicked, this, [this](const QDate& day) {
        m_popup->close();
        setDate(day);
    });
    connect(m_text, &QLineEdit::editingFinished, this, &DateBox::takeTypedText);
    setFocusProxy(m_text);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_pick);
}

void DateBox::setDate(const QDate& day) {
    if (!day.isValid())
        return;
    m_text->setText(day.toString(kFormat));
    if (day == m_date)
        return;
    m_date = day;
    Q_EMIT dateChanged(day);
}

QDate DateBox::parse(const QString& text) {
    static const QRegularExpression parted(
        QStringLiteral("^(\\d{4})\\s*[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?$"));
    static const QRegularExpression packed(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    const QString trimmed = text.trimmed();
    QRegularExpressionMatch match = parted.match(trimmed);
    if (!match.hasMatch())
        match = packed.match(trimmed);
    if (!match.hasMatch())
        return {};
    return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

void DateBox::takeTypedText() {
    if (m_text->text() == m_date.toString(kFormat))
        return;
    const QDate typed = parse(m_text->text());
    if (typed.isValid()) {
        setDate(typed);
        return;
    }
    m_text->setText(m_date.toString(kFormat));
    Q_EMIT textRejected(kFormatMessage);
}

bool DateBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            takeTypedText();
            setDate(m_date.addDays(key == Qt::Key_Up ? 1 : -1));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quarrow
