#include "report/SavedDocuments.h"

#include "app/AppFrame.h"
#include "platform/Archiver.h"
#include "platform/ProcessLauncher.h"
#include "report/ReportDocuments.h"

#include <QDir>
#include <QFileInfo>

namespace quarrow {

namespace {
constexpr int kViewerWait_ms = 15000;
}  // namespace

SavedDocuments::SavedDocuments(ProgramFolder folder, ProcessLauncher& launcher, const Archiver& archiver,
                               AppFrame& frame)
    : m_folder(std::move(folder)), m_launcher(launcher), m_archiver(archiver), m_frame(frame) {}

void SavedDocuments::clear() {
    m_list.clear();
    m_selected = -1;
}

int SavedDocuments::list(const QString& folder, const QString& mask) {
    // An unreadable folder lists as empty; without this check its documents would pass
    // for none at all.
    m_listFailed = !QDir(folder).isReadable();
    if (m_listFailed)
        return 0;
    const QStringList names = ReportDocuments::listDocuments(folder, mask);
    for (const QString& name : names) {
        m_list.append(name);
        m_frame.processEvents();
    }
    return static_cast<int>(names.size());
}

bool SavedDocuments::browseStock(const QString& stockCode, const QString& rarFolder) {
    const QString folder = m_folder.stockFolder(stockCode);
    if (!QFileInfo(folder).isDir())
        return false;
    clear();
    const int texts = list(folder, QStringLiteral("*.txt"));
    list(folder, QStringLiteral("*.rar"));
    if (texts > 0) {
        m_selected = texts - 1;
        open(m_selected, Sender::Program, stockCode, rarFolder);
    }
    return true;
}

SavedDocuments::OpenResult SavedDocuments::open(int index, Sender sender, const QString& stockCode,
                                                const QString& rarFolder) {
    OpenResult result;
    if (index < 0 || index >= m_list.size())
        return result;
    m_selected = index;
    result.showDocumentPage = sender == Sender::List;
    const QString folder = m_folder.stockFolder(stockCode);
    const QString path = QDir(folder).filePath(m_list.at(index));
    if (!path.endsWith(QLatin1String("rar"))) {
        // The read itself refuses what is gone or is no regular file, and says why.
        m_readError.clear();
        bool replaced = false;
        const auto lines = ReportDocuments::readDocument(path, &m_readError, &replaced);
        if (!lines) {
            if (m_readError.isEmpty())
                m_readError = QStringLiteral("unreadable");
            return result;
        }
        // The document is still parsed: the damage is usually one broken character.
        if (replaced)
            m_frame.addLog(QStringLiteral("\t>>>>>文档") + m_list.at(index) +
                               QStringLiteral("中有无法识别的字节,已换成替换字符读入<<<<<"),
                           LogColor::Red);
        m_memo = *lines;
        result.loaded = true;
        return result;
    }
    if (!QFileInfo(path).isFile())
        return result;
    const QString viewer = m_archiver.viewerPath(rarFolder);
    if (viewer.isEmpty() || !QFileInfo(viewer).isFile())
        return result;
    m_launcher.run(viewer, {path}, folder, kViewerWait_ms, WhenTimedOut::LeaveRunning);
    result.archiveShown = true;
    return result;
}

}  // namespace quarrow
