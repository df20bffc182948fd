#pragma once

#include "app/ProgramFolder.h"

#include <QString>
#include <QStringList>

namespace quarrow {

class AppFrame;
class Archiver;
class ProcessLauncher;

// The saved report documents of one stock: the names the document page lists
// (ListBoxStDoc) and the lines of the document opened last, which the window shows in
// its capture memo (MemoPastFrom).
class SavedDocuments {
public:
    SavedDocuments(ProgramFolder folder, ProcessLauncher& launcher, const Archiver& archiver,
                   AppFrame& frame);

    const QStringList& names() const { return m_list; }
    int selected() const { return m_selected; }
    // The lines of the text document opened last.
    const QStringList& lines() const { return m_memo; }
    // Why the last text document could not be loaded; empty when it was.
    QString readError() const { return m_readError; }

    void clear();
    // Adds the names of the folder's files that match the mask, letting the interface
    // breathe after each; returns how many were added. A folder that cannot be listed
    // adds nothing and says so in listFailed().
    int list(const QString& folder, const QString& mask);
    bool listFailed() const { return m_listFailed; }

    // Lists the stock's text documents, then its archives, and opens the newest text.
    // False, with nothing changed, when the stock has no folder.
    bool browseStock(const QString& stockCode, const QString& rarFolder);

    enum class Sender { List, Program };
    struct OpenResult {
        bool showDocumentPage = false;  // the user clicked: the report page comes to the front
        bool loaded = false;            // a text document is now in the memo
        bool archiveShown = false;      // an archive went to the archiver's window
    };
    // Opens entry index: a text document into the memo, an archive in the archiver.
    OpenResult open(int index, Sender sender, const QString& stockCode, const QString& rarFolder);

private:
    ProgramFolder m_folder;
    ProcessLauncher& m_launcher;
    const Archiver& m_archiver;
    AppFrame& m_frame;
    QStringList m_list;
    int m_selected = -1;
    QStringList m_memo;
    QString m_readError;
    bool m_listFailed = false;
};

}  // namespace quarrow
