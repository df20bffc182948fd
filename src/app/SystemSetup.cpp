#include "app/SystemSetup.h"

#include "app/AppFrame.h"
#include "app/Settings.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"

#include <QDir>
#include <QFileInfo>

namespace quarrow {

namespace {

const QString kFolder = QStringLiteral("Folder");

QString folderKey(FolderKind kind) {
    switch (kind) {
        case FolderKind::Hualin:
            return QStringLiteral("hualin");
        case FolderKind::Dongfang:
            return QStringLiteral("dongfang");
        case FolderKind::Rar:
            break;
    }
    return QStringLiteral("RAR");
}

}  // namespace

SystemSetup::SystemSetup(Settings& settings, AppFrame& frame, const Clock& clock, const Archiver& archiver)
    : m_settings(settings), m_frame(frame), m_clock(clock), m_archiver(archiver) {}

void SystemSetup::load() {
    m_fileExisted = m_settings.exists();
    m_edits[index(FolderKind::Hualin)] = {m_settings.hualinFolder(), false};
    m_edits[index(FolderKind::Dongfang)] = {m_settings.dongfangFolder(), false};
    m_qqName = m_settings.qqName();
    m_edits[index(FolderKind::Rar)] = {m_settings.rarFolder(), false};
    m_program = m_settings.hualinSelected() ? QuoteProgram::Hualin : QuoteProgram::Dongfang;

    FolderEdit& rar = m_edits[index(FolderKind::Rar)];
    if (rar.text.isEmpty()) {
        rar.text = m_archiver.installedFolder();
        if (!rar.text.isEmpty()) {
            if (!rar.text.endsWith(QLatin1Char('\\')))
                rar.text += QLatin1Char('\\');
            m_settings.writeText(kFolder, QStringLiteral("RAR"), rar.text);
        }
    }
    select(m_program);
    m_calendar.load(m_settings);
    m_autoStartTime = m_settings.autoStartTime();
    m_autoStartEnabled = m_settings.autoStartEnabled();
}

void SystemSetup::select(QuoteProgram program) {
    m_program = program;
    if (program == QuoteProgram::Hualin) {
        m_quoteFolder = m_edits[index(FolderKind::Hualin)].text;
        m_stockWindow = QStringLiteral("华林证券网上交易");
    } else {
        m_quoteFolder = m_edits[index(FolderKind::Dongfang)].text;
        m_stockWindow = QStringLiteral("东方通达信");
    }
    m_stockApp = QStringLiteral("TdxW.exe");
}

bool SystemSetup::keyTyped(FolderKind kind, QChar key, const QString& textAfter) {
    if (key == QLatin1Char('\r') || key == QLatin1Char('\n'))
        return commitFolder(kind);
    FolderEdit& edit = m_edits[index(kind)];
    edit.text = textAfter;
    edit.changed = true;
    return false;
}

void SystemSetup::textChangedWithoutKey(FolderKind kind, const QString& text) {
    m_edits[index(kind)].text = text;
}

bool SystemSetup::commitFolder(FolderKind kind) {
    FolderEdit& edit = m_edits[index(kind)];
    if (!edit.changed)
        return false;
    edit.changed = false;

    // Folders end in the separator, because file names are appended to them directly.
    const QChar separator = QDir::separator();
    if (!edit.text.endsWith(separator))
        edit.text += separator;

    if (!QFileInfo(edit.text).isDir()) {
        switch (kind) {
            case FolderKind::Hualin:
                m_frame.ShowHelpPicture(QStringLiteral("未找到华林证券行情分析软件安装文件夹"),
                                        QStringLiteral("华林行情分析系统.jpg"), false);
                break;
            case FolderKind::Dongfang:
                m_frame.ShowHelpPicture(QStringLiteral("未找到东方证券行情分析软件安装文件夹!"),
                                        QStringLiteral("东方行情分析系统.jpg"), false);
                break;
            case FolderKind::Rar:
                m_frame.ShowHelpPicture(QStringLiteral("未找到WinRAR软件安装文件夹!"),
                                        QStringLiteral("WinRAR.jpg"), false);
                break;
        }
        return false;
    }
    if (!m_settings.writeText(kFolder, folderKey(kind), edit.text)) {
        m_frame.notify(QStringLiteral("设置文件写入失败:") + m_settings.lastError());
        return false;
    }
    if ((kind == FolderKind::Hualin && m_program == QuoteProgram::Hualin) ||
        (kind == FolderKind::Dongfang && m_program == QuoteProgram::Dongfang))
        m_quoteFolder = edit.text;
    // A folder that exists may still be the wrong one: without the quote program in it
    // the mining run would only find it missing.
    const QString program = QStringLiteral("TdxW.exe");
    if (kind != FolderKind::Rar && !QFileInfo(QDir(edit.text).filePath(program)).isFile()) {
        m_frame.notify(
            QStringLiteral("文件夹%1中没有找到行情分析软件%2,\r请确认这是%3行情分析软件的安装文件夹.")
                .arg(QDir::toNativeSeparators(edit.text), program,
                     kind == FolderKind::Hualin ? QStringLiteral("华林证券") : QStringLiteral("东方证券")));
    }
    return true;
}

bool SystemSetup::chooseFolder(FolderKind kind, const QString& folder) {
    FolderEdit& edit = m_edits[index(kind)];
    edit.text = QDir::toNativeSeparators(folder);
    edit.changed = true;
    return commitFolder(kind);
}

QString SystemSetup::hint(FolderKind kind) {
    switch (kind) {
        case FolderKind::Hualin:
            return QStringLiteral("为华林证券行情软件的安装文件夹,从华林行情软件快捷方式属性中获取");
        case FolderKind::Dongfang:
            return QStringLiteral("为东方证券行情软件的安装文件夹,从东方行情软件快捷方式属性中获取");
        case FolderKind::Rar:
            break;
    }
    return QStringLiteral("为压缩工具RAR的安装位置");
}

bool SystemSetup::chooseQuoteProgram(QuoteProgram program) {
    if (program == m_program)
        return false;
    const bool written = m_settings.writeText(
        kFolder, QStringLiteral("current"),
        program == QuoteProgram::Hualin ? QStringLiteral("HUALIN") : QStringLiteral("DONGFANG"));
    if (!written)
        m_frame.notify(QStringLiteral("设置文件写入失败:") + m_settings.lastError());
    select(program);
    return true;
}

bool SystemSetup::IsTradingDay(bool ignoreHours) const {
    return m_calendar.IsTradingDay(m_clock.today(), ignoreHours);
}

void SystemSetup::autoStartChanged(const QTime& time, bool enabled) {
    m_autoStartTime = time;
    m_autoStartEnabled = enabled;
    const bool written = m_settings.update([&](IniDocument& document) {
        document.setValue(QStringLiteral("AutoStart"), QStringLiteral("Time"), Settings::timeText(time));
        document.setValue(QStringLiteral("AutoStart"), QStringLiteral("Start"),
                          enabled ? QStringLiteral("1") : QStringLiteral("0"));
    });
    if (!written)
        m_frame.notify(QStringLiteral("设置文件写入失败:") + m_settings.lastError());
}

double SystemSetup::AutoStartTime() const {
    return m_autoStartTime.msecsSinceStartOfDay() / 86400000.0;
}

}  // namespace quarrow
