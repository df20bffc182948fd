#include "gui/SetupPage.h"

#include "app/AppFrame.h"
#include "gui/PageWidgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <QToolButton>

namespace quarrow {

namespace {

size_t slot(FolderKind kind) {
    return static_cast<size_t>(kind);
}

// Keys that reach an edit as a character: printable text, Backspace and the paste keys.
bool typesCharacter(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Backspace || key.matches(QKeySequence::Paste))
        return true;
    return !key.text().isEmpty() && key.text().at(0).isPrint();
}

}  // namespace

SetupPage::SetupPage(SystemSetup& setup, Settings& settings, AppFrame& frame, QWidget* parent)
    : QWidget(parent), m_setup(setup), m_settings(settings), m_frame(frame) {
    setObjectName(QStringLiteral("TabSheetSetup"));
    setWindowTitle(QStringLiteral("系统设置"));

    const std::array<const char*, 3> names{"edtHuaLinFolder", "edtDongFangFolder", "edtRarFolder"};
    for (size_t i = 0; i < names.size(); ++i) {
        m_folders[i] = new QLineEdit(this);
        m_folders[i]->setObjectName(QString::fromLatin1(names[i]));
        m_folders[i]->setToolTip(SystemSetup::hint(static_cast<FolderKind>(i)));
        m_folders[i]->installEventFilter(this);
        const auto kind = static_cast<FolderKind>(i);
        connect(m_folders[i], &QLineEdit::textEdited, this, [this, kind](const QString& text) {
            if (!m_keyInEdit)
                m_setup.textChangedWithoutKey(kind, text);
        });
    }
    m_hualin = new QRadioButton(QStringLiteral("华林证券:"), this);
    m_hualin->setObjectName(QStringLiteral("rbSelectHualin"));
    m_dongfang = new QRadioButton(QStringLiteral("东方证券:"), this);
    m_dongfang->setObjectName(QStringLiteral("rbSelectDongFang"));
    for (QRadioButton* button : {m_hualin, m_dongfang}) {
        // The choice happens on the press, through the setup; the buttons only show it.
        button->setAutoExclusive(false);
        button->installEventFilter(this);
    }

    m_holidays = new QPlainTextEdit(this);
    m_holidays->setObjectName(QStringLiteral("MemoHoliday"));
    m_exceptDays = new QPlainTextEdit(this);
    m_exceptDays->setObjectName(QStringLiteral("MemoExceptday"));
    m_holidays->installEventFilter(this);
    m_exceptDays->installEventFilter(this);

    m_startTime = new QTimeEdit(this);
    m_startTime->setObjectName(QStringLiteral("dtpPickTime4Start"));
    m_startTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_startOn = new QCheckBox(QStringLiteral("在每天的:"), this);
    m_startOn->setObjectName(QStringLiteral("chkPickTime4Start"));
    connect(m_startTime, &QTimeEdit::timeChanged, this, &SetupPage::pickerChanged);
    connect(m_startOn, &QCheckBox::toggled, this, &SetupPage::pickerChanged);

    // Each folder box has its "浏览…" button: a folder picked in the dialog counts at once.
    const std::array<const char*, 3> browseNames{"btnBrowseHuaLin", "btnBrowseDongFang", "btnBrowseRar"};
    std::array<QToolButton*, 3> browse{};
    for (size_t i = 0; i < browseNames.size(); ++i) {
        browse[i] = new QToolButton(this);
        browse[i]->setObjectName(QString::fromLatin1(browseNames[i]));
        browse[i]->setText(QStringLiteral("浏览…"));
        browse[i]->setToolTip(QStringLiteral("选择文件夹"));
        const auto kind = static_cast<FolderKind>(i);
        connect(browse[i], &QToolButton::clicked, this, [this, kind] { browseFolder(kind); });
    }

    auto* grid = new QGridLayout(this);
    m_grid = grid;
    grid->addWidget(m_hualin, 0, 0);
    grid->addWidget(m_folders[0], 0, 1);
    grid->addWidget(
        helpPictureButton(this, frame, "imgHelpHuali", QStringLiteral("设定华林行情软件安装文件夹."),
                          QStringLiteral("华林行情分析系统.jpg")),
        0, 3);
    grid->addWidget(browse[0], 0, 2);
    grid->addWidget(m_dongfang, 1, 0);
    grid->addWidget(m_folders[1], 1, 1);
    grid->addWidget(
        helpPictureButton(this, frame, "imgHelpDongfang", QStringLiteral("设定东方行情软件安装文件夹."),
                          QStringLiteral("东方行情分析系统.jpg")),
        1, 3);
    grid->addWidget(browse[1], 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("WinRAR:"), this), 2, 0);
    grid->addWidget(m_folders[2], 2, 1);
    grid->addWidget(helpPictureButton(this, frame, "imgHelpRAR", QStringLiteral("设定WinRAR软件安装文件夹."),
                                      QStringLiteral("WinRAR.jpg")),
                    2, 3);
    grid->addWidget(browse[2], 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("节假日"), this), 3, 0);
    grid->addWidget(m_holidays, 4, 0);
    grid->addWidget(new QLabel(QStringLiteral("补班日"), this), 3, 1);
    grid->addWidget(m_exceptDays, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("自动执行挖掘"), this), 5, 0);
    grid->addWidget(m_startOn, 6, 0);
    grid->addWidget(m_startTime, 6, 1);
}

void SetupPage::addRow(const QString& caption, QWidget* field) {
    const int row = m_grid->rowCount();
    m_grid->addWidget(new QLabel(caption, this), row, 0);
    m_grid->addWidget(field, row, 1);
}

void SetupPage::refresh() {
    m_refreshing = true;
    for (size_t i = 0; i < m_folders.size(); ++i)
        showFolder(static_cast<FolderKind>(i));
    m_hualin->setChecked(m_setup.quoteProgram() == QuoteProgram::Hualin);
    m_dongfang->setChecked(m_setup.quoteProgram() == QuoteProgram::Dongfang);
    m_holidays->setPlainText(
        m_setup.calendar().memoLines(TradingCalendar::List::Holiday).join(QLatin1Char('\n')));
    m_exceptDays->setPlainText(
        m_setup.calendar().memoLines(TradingCalendar::List::ExceptDay).join(QLatin1Char('\n')));
    m_startTime->setTime(m_setup.autoStartPickerTime());
    m_startOn->setChecked(m_setup.autoStartEnabled());
    m_refreshing = false;
}

void SetupPage::showFolder(FolderKind kind) {
    QLineEdit* edit = m_folders[slot(kind)];
    const QString text = m_setup.folderEdit(kind).text;
    if (edit->text() != text)
        edit->setText(text);
}

bool SetupPage::eventFilter(QObject* watched, QEvent* event) {
    for (size_t i = 0; i < m_folders.size(); ++i) {
        if (watched == m_folders[i])
            return folderEvent(static_cast<FolderKind>(i), event);
    }
    const bool choosing =
        event->type() == QEvent::MouseButtonPress ||
        (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space);
    if ((watched == m_hualin || watched == m_dongfang) && choosing) {
        if (m_setup.chooseQuoteProgram(watched == m_hualin ? QuoteProgram::Hualin : QuoteProgram::Dongfang)) {
            refresh();
            Q_EMIT quoteProgramChosen();
        }
        return true;
    }
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_holidays)
            commitCalendar(TradingCalendar::List::Holiday);
        else if (watched == m_exceptDays)
            commitCalendar(TradingCalendar::List::ExceptDay);
    }
    return QWidget::eventFilter(watched, event);
}

bool SetupPage::folderEvent(FolderKind kind, QEvent* event) {
    QLineEdit* edit = m_folders[slot(kind)];
    switch (event->type()) {
        case QEvent::FocusIn:
            m_frame.ShowPrompt(SystemSetup::hint(kind));
            return false;
        case QEvent::FocusOut:
            commitFolder(kind, m_setup.leave(kind));
            return false;
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                commitFolder(kind, m_setup.keyTyped(kind, QLatin1Char('\r'), edit->text()));
                return true;
            }
            if (!typesCharacter(*key))
                return false;
            // The edit takes the key first, so the setup sees the text after it.
            m_keyInEdit = true;
            static_cast<QObject*>(edit)->event(event);
            m_keyInEdit = false;
            const QChar typed = key->key() == Qt::Key_Backspace ? QChar(u'\b')
                                : key->text().isEmpty()         ? QChar(u'v')
                                                                : key->text().at(0);
            m_setup.keyTyped(kind, typed, edit->text());
            return true;
        }
        default:
            return false;
    }
}

void SetupPage::commitFolder(FolderKind kind, bool stored) {
    showFolder(kind);
    if (stored)
        Q_EMIT folderStored(kind);
}

void SetupPage::browseFolder(FolderKind kind) {
    if (!chooseFolder)
        return;
    const std::optional<QString> folder = chooseFolder(m_setup.folderEdit(kind).text);
    if (!folder)
        return;
    commitFolder(kind, m_setup.chooseFolder(kind, *folder));
}

void SetupPage::commitCalendar(TradingCalendar::List list) {
    QPlainTextEdit* memo = list == TradingCalendar::List::Holiday ? m_holidays : m_exceptDays;
    QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    m_setup.calendar().commit(list, lines, m_settings, m_frame);
}

void SetupPage::pickerChanged() {
    if (m_refreshing)
        return;
    m_setup.autoStartChanged(m_startTime->time(), m_startOn->isChecked());
    Q_EMIT autoStartChanged();
}

}  // namespace quarrow
