#pragma once

#include "app/AppFrame.h"

#include <QList>
#include <QPointer>

#include <functional>
#include <optional>

class QAbstractButton;
class QAction;
class QLabel;
class QPlainTextEdit;
class QTextEdit;
class QWidget;

namespace quarrow {

class ProgressBox;

// The widgets the frame writes to; all belong to the main window.
struct FrameWidgets {
    QWidget* window = nullptr;
    QLabel* prompt = nullptr;  // lblWarning
    QTextEdit* log = nullptr;  // MemoResult
    QPlainTextEdit* promptMemo = nullptr;
    QPlainTextEdit* capture = nullptr;  // MemoPastFrom
    QList<QLabel*> statusPanels;        // the 13 panels of statMain
    ProgressBox* progress = nullptr;
    QAbstractButton* stop = nullptr;  // btnStop
};

// The desktop window's side of the frame every job talks through: the flashing prompt
// line, message boxes with the help picture, the coloured log, the status bar, the
// progress box and the commands that a run switches off.
class WidgetFrame : public AppFrame {
public:
    // Answers a message box in place of the user; nothing lets the box ask.
    using Answerer = std::function<std::optional<MessageAnswer>(const MessageRequest&)>;

    // The main builds the frame with the program's services; the window attaches its
    // widgets once it has made them, before anything is shown.
    explicit WidgetFrame(QString programFolder);
    void attach(FrameWidgets widgets) { m_w = std::move(widgets); }
    // The commands a run switches off (EnableCommands), once the pages that hold them are
    // built; the stop command is on exactly while they are off.
    void setCommands(const QList<QAbstractButton*>& buttons, const QList<QAction*>& actions);

    void setAnswerer(Answerer answerer) { m_answerer = std::move(answerer); }
    // Chooses a file in place of the user's file dialog: the path, or nothing for Cancel.
    using FileChooser = std::function<std::optional<QString>(const QString& proposedPath)>;
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    // The file dialog dlgOpenFile, opened on the proposed file: the file chosen, nothing
    // when the user cancelled.
    std::optional<QString> chooseFile(const QString& title, const QString& proposedPath);
    // Brings a window of ours in front of the other programs' (the platform's way).
    void setBringToFront(std::function<void(QWidget*)> bring) { m_bringToFront = std::move(bring); }
    // Chooses a folder in place of the user's folder dialog: the folder, or nothing.
    void setFolderChooser(FileChooser chooser) { m_folderChooser = std::move(chooser); }
    std::optional<QString> chooseFolder(const QString& title, const QString& startFolder);
    // Opens a document (the manual) with the program the system has for it; false when
    // none opened it.
    using DocumentOpener = std::function<bool(const QString& path)>;
    void setDocumentOpener(DocumentOpener opener) { m_documentOpener = std::move(opener); }
    bool openDocument(const QString& path);
    // Keeps the commands that start work off, or lets them on again, while something
    // that is not a run (the quote program coming up) must not be disturbed; the stop
    // command stays as it is.
    void holdCommands(bool held);
    // While the window starts: every line the prompt line shows and every note also stays
    // in the prompt memo, once each, and is kept as a notice; takeNotices ends that and
    // hands them over, so the window shows them instead of its greeting.
    void collectNotices() { m_collecting = true; }
    QStringList takeNotices();
    // Runs in every event pump of a job (the tests act there as the user would).
    void setPumpHook(std::function<void()> hook) { m_pumpHook = std::move(hook); }

    MessageAnswer showMessage(const MessageRequest& request) override;
    void addLog(const QString& line, LogColor color) override;
    void clearLog() override;
    QStringList logLines() const override;
    void setStatusPanel(StatusPanel panel, const QString& text) override;
    void addPromptMemo(const QString& line) override;
    void showCapture(const QStringList& lines) override;
    void showProgress(const RunProgress& progress) override;
    void hideProgress() override;
    void enableCommands(bool on) override;
    QString programFolder() const override { return m_programFolder; }
    void processEvents() override;

    // One half-second tick of the prompt flash: false once the flashing is over.
    bool flashTick();
    bool flashing() const { return m_flashing; }

    // The caption panels of statMain, by position (empty for the value panels).
    static QStringList statusCaptions();

protected:
    void displayPrompt(const QString& oneLine) override;

private:
    QWidget* showPicture(const QString& path);

    FrameWidgets m_w;
    QList<QPointer<QAbstractButton>> m_commandButtons;
    QList<QPointer<QAction>> m_commandActions;
    QString m_programFolder;
    Answerer m_answerer;
    FileChooser m_fileChooser;
    FileChooser m_folderChooser;
    DocumentOpener m_documentOpener;
    std::function<void()> m_pumpHook;
    std::function<void(QWidget*)> m_bringToFront;
    // While the window starts: whether the line is a notice not yet kept, which it now is.
    bool isNewNotice(const QString& line);

    QStringList m_notices;
    bool m_collecting = false;
    int m_flashTag = 0;
    bool m_flashing = false;
};

}  // namespace quarrow
