#include "report/DocumentCleanup.h"

#include "app/AppFrame.h"
#include "app/RunControl.h"
#include "report/ReportDocuments.h"
#include "store/DataBase.h"
#include "store/StockTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace quarrow {

DocumentCleanup::DocumentCleanup(TDataBase& db, ProgramFolder folder, AppFrame& frame, RunControl& run)
    : m_db(db), m_folder(std::move(folder)), m_frame(frame), m_run(run) {}

QDate DocumentCleanup::documentDay(const QString& fileName, const QString& code) {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{6})-(\\d{4}-\\d{2}-\\d{2})变动资料\\.txt$"));
    const auto match = pattern.match(fileName);
    if (!match.hasMatch() || match.captured(1) != code)
        return QDate();
    return QDate::fromString(match.captured(2), QStringLiteral("yyyy-MM-dd"));
}

std::optional<QDate> DocumentCleanup::storedDocumentDay(const QString& code, QString* error) {
    const StockDayRead read = readStockDay(m_db, code, StockDay::Document);
    if (!read.ok) {
        *error = read.error;
        return std::nullopt;
    }
    return read.day;
}

DocumentCleanupOutcome DocumentCleanup::run(const RunLease& lease, const QList<StockRow>& rows,
                                            CleanupMode mode) {
    DocumentCleanupOutcome outcome;
    if (!m_db.DBOpened()) {
        // Nothing to tell the old from the new by: the count is 0, as the window shows it.
        outcome.notStart(JobReason::NoDatabase);
        m_frame.setStatusPanel(StatusPanel::Message, cleanupTotalMessage(0));
        return outcome;
    }
    if (!m_run.start(lease, static_cast<int>(rows.size()))) {
        outcome.notStart(JobReason::Busy);
        return outcome;
    }
    outcome.begin();
    for (int i = 0; i < rows.size(); ++i) {
        if (!m_run.beforeItem()) {
            outcome.stop();
            break;
        }
        m_run.setPosition(i + 1);
        const QString code = rows.at(i).code();
        QString error;
        const std::optional<QDate> keep = storedDocumentDay(code, &error);
        if (!keep) {
            outcome.error = error;
            outcome.fail(JobReason::StoreUnreadable, error);
            break;
        }
        const QString folder = m_folder.stockFolder(code);
        // A stock never stored, or whose newest document is not known, keeps all it has:
        // without the day there is nothing to tell the old from the new.
        if (keep->isValid() && QFileInfo(folder).isDir()) {
            // An unreadable folder lists as empty: say so instead of passing it for clean.
            if (!QDir(folder).isReadable())
                outcome.unlisted << folder;
            for (const QString& name : ReportDocuments::listDocuments(folder, QStringLiteral("*.txt"))) {
                const QDate day = documentDay(name, code);
                if (day.isValid() && day < *keep) {
                    const QString path = QDir(folder).filePath(name);
                    if (mode == CleanupMode::DryRun || QFile::remove(path)) {
                        outcome.deleted << path;
                        m_frame.setStatusPanel(StatusPanel::Message, cleanupFileMessage(path));
                    } else {
                        outcome.undeleted << path;
                    }
                }
                m_frame.processEvents();
            }
        }
        m_run.itemFinished();
    }
    QString last = cleanupTotalMessage(static_cast<int>(outcome.deleted.size()));
    m_frame.setStatusPanel(StatusPanel::Message, last);
    if (!outcome.undeleted.isEmpty())
        last += QStringLiteral(", %1个文件无法删除").arg(outcome.undeleted.size());
    if (!outcome.unlisted.isEmpty())
        last += QStringLiteral(", %1个文件夹无法读取").arg(outcome.unlisted.size());
    if (!outcome.error.isEmpty())
        last += QStringLiteral(", 读取数据库出错: %1").arg(outcome.error);
    if (!outcome.undeleted.isEmpty() || !outcome.unlisted.isEmpty())
        outcome.fail(JobReason::FilesFailed, last);
    outcome.closing = m_run.finish(last, false, nullptr);
    return outcome;
}

QString cleanupFileMessage(const QString& path) {
    return QStringLiteral("删除文件:") + QDir::toNativeSeparators(path);
}

QString cleanupTotalMessage(int deleted) {
    return QStringLiteral("共删除:%1个文件").arg(deleted);
}

}  // namespace quarrow
