#pragma once

#include "app/AppFrame.h"
#include "platform/ProcessLauncher.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quarrow::fuzz {

// One external input and the properties its reader must keep for any bytes. A check
// returns an empty text when every property held, else what broke.
struct FuzzCheck {
    const char* name;  // the target's name: fuzz_<name>, fuzz/corpus/<name>, tests/data/fuzz/<name>
    QString (*run)(const QByteArray& input);
};

const QList<FuzzCheck>& fuzzChecks();

QString checkReport(const QByteArray& input);
QString checkTableLine(const QByteArray& input);
QString checkTextCodec(const QByteArray& input);
QString checkDailyBars(const QByteArray& input);
QString checkNameTable(const QByteArray& input);
QString checkBaseDbf(const QByteArray& input);
QString checkHandKept(const QByteArray& input);
QString checkPastedList(const QByteArray& input);
QString checkSettings(const QByteArray& input);
QString checkDownloadPage(const QByteArray& input);

// The folder this process writes its inputs to: made on first use and reused for every
// input, so a run of millions of inputs does not make millions of folders.
QString scratchFolder();
// Writes the bytes to a file below the scratch folder, replacing what was there, and
// returns its path. Empty when the file could not be written.
QString writeScratchFile(const QString& relative, const QByteArray& bytes);
void removeScratchFile(const QString& relative);

// A user who sees nothing and answers Yes to every question.
class QuietFrame final : public AppFrame {
public:
    MessageAnswer showMessage(const MessageRequest& request) override {
        return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    void addLog(const QString&, LogColor) override {}
    void setStatusPanel(StatusPanel, const QString&) override {}
    void clearLog() override {}
    QStringList logLines() const override { return {}; }
    void addPromptMemo(const QString&) override {}
    void showCapture(const QStringList&) override {}
    void processEvents() override {}
    void showProgress(const RunProgress&) override {}
    void hideProgress() override {}
    void enableCommands(bool) override {}
    QString programFolder() const override { return scratchFolder(); }

protected:
    void displayPrompt(const QString&) override {}
};

// Never starts anything: the readers under test have no business running programs.
class RefusingLauncher final : public ProcessLauncher {
public:
    LaunchResult run(const QString&, const QStringList&, const QString&, int, WhenTimedOut) override {
        return LaunchResult::FailedToStart;
    }
};

// Gathers the broken properties of one input; the first few are kept for the report.
class Findings {
public:
    void expect(bool holds, const QString& what) {
        if (!holds && m_broken.size() < 5)
            m_broken << what;
    }
    QString report() const { return m_broken.join(QLatin1Char('\n')); }
    bool clean() const { return m_broken.isEmpty(); }

private:
    QStringList m_broken;
};

}  // namespace quarrow::fuzz
