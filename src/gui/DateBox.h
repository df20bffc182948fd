#pragma once

#include <QDate>
#include <QWidget>

class QCalendarWidget;
class QLineEdit;
class QMenu;
class QToolButton;

namespace quarrow {

// A date the user types or picks from a calendar. A typed date counts once the user
// presses Enter or leaves the box; one that is no date puts the last date back and says
// which form a date takes. Up and Down step a day.
class DateBox : public QWidget {
    Q_OBJECT
public:
    // The form every date box shows and the message names.
    static inline const QString kFormat = QStringLiteral("yyyy-MM-dd");
    static inline const QString kFormatMessage =
        QStringLiteral("日期输入错,请按yyyy-MM-dd(年-月-日)输入,例如2017-03-16");

    explicit DateBox(QWidget* parent = nullptr);

    QDate date() const { return m_date; }
    void setDate(const QDate& day);
    QLineEdit* lineEdit() const { return m_text; }

    // The day a typed text names: 2017-03-16, 2017-3-6, 2017/3/6, 2017.3.6, 20170316 or
    // 2017年3月6日; invalid when it names none.
    static QDate parse(const QString& text);

Q_SIGNALS:
    void dateChanged(const QDate& day);
    // The text typed was no date; message says the form one takes.
    void textRejected(const QString& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void takeTypedText();

    QLineEdit* m_text;
    QToolButton* m_pick;
    QMenu* m_popup;
    QCalendarWidget* m_calendar;
    QDate m_date;
};

}  // namespace quarrow
