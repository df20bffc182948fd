#pragma once

#include "app/RunControl.h"

#include <QDate>
#include <QString>

namespace quarrow {

// How a job ended: the one value the window's closing message, the log's last line and
// the command line's exit status are made from.
enum class JobEnd {
    NotStarted,  // refused, declined or short of what it needs: nothing was done
    Done,        // it went through
    Stopped,     // the user stopped it before its last item; what it did is kept
    Failed,      // it began and could not do all its work; the reason says what failed
};

// Why a job did not simply go through.
enum class JobReason {
    None,
    Busy,                      // another job holds the run control
    Declined,                  // the user answered No, or cancelled the dialog
    NoNetwork,                 // the computer has no network connection
    NoDatabase,                // the store is not open
    ReadOnlyStore,             // the store may be read but not written
    NoQuoteProgram,            // the quote program is not running and was not started
    QuoteProgramLost,          // the quote program could not be started again in a run nobody watches
    QuoteProgramRefusesInput,  // it runs as administrator and takes no keys from us
    NoMonitorWindow,           // the quote program's monitor window is not open
    NothingToWatch,            // no stock is picked for the relay
    ChatNotReached,            // chat lines did not reach the QQ chat window
    InvalidInput,              // a date, code or file the job was given does not read
    StoreFailed,               // the database refused a write (locked, full, an I/O error)
    StoreUnreadable,           // the database could not be read
    SettingsFailed,            // the settings file refused a write (a resume point, a day)
    LogFailed,                 // the run's log file could not be written
    FilesFailed,               // documents or folders could not be read, written or deleted
    NothingCaptured,           // stocks were tried and no report came
    NothingStored,             // what it was given held nothing it could store
    PageProblem,               // the server's page could not be loaded or read
    NoProgress,                // the server kept offering pages that brought nothing
    Unexpected,                // an error nobody foresaw (an unreadable file) ended it
};

// The job as the window names it ("数据挖掘", "下载操盘数据", …).
QString jobName(JobKind kind);

// A run's own account of its days: the query page's range widened to every day it
// stored, so the window shows what the run brought in.
struct DateRange {
    QDate from;
    QDate to;
    bool isValid() const { return from.isValid() && to.isValid(); }
    void widen(const QDate& day) {
        if (!day.isValid())
            return;
        if (!from.isValid() || from > day)
            from = day;
        if (!to.isValid() || to < day)
            to = day;
    }
    void widen(const DateRange& other) {
        widen(other.from);
        widen(other.to);
    }
};

// What every long job (the mining run, the re-analysis, the download, the relay and the
// capture, the delete, the clean-up, the backup, the import) reports when it ends,
// whatever else it counted.
struct JobOutcome {
    JobEnd end = JobEnd::NotStarted;
    JobReason reason = JobReason::None;
    QString detail;  // the system's own words for the reason: an error text, a path
    // A settings file that refused a write, noted even when something worse ended the job:
    // what the program notes for next time is older than it should be.
    QString settingsError;
    bool endProgram = false;  // asked to end the program as soon as the current item was done
    RunControl::EndResult closing;
    DateRange dates;                // the days of what it stored, for the query page
    bool departmentsAdded = false;  // it stored department names the window's list lacks

    bool started() const { return end != JobEnd::NotStarted; }
    bool done() const { return end == JobEnd::Done; }
    bool stopped() const { return end == JobEnd::Stopped; }
    bool failed() const { return end == JobEnd::Failed; }
    // A failure that ends the job where it stands (the database's refusal, a quote program
    // gone), as opposed to one that is noted and lets it go on (the settings file, the log,
    // files it could not read or delete).
    bool mustEnd() const;
    bool storeFailed() const { return reason == JobReason::StoreFailed; }
    QString storeError() const { return storeFailed() ? detail : QString(); }

    // Nothing was done, for this reason.
    void notStart(JobReason why, const QString& words = {});
    // The job begins its work: it is done unless something says otherwise.
    void begin();
    // The user stopped it: a done job becomes stopped; a failure stays a failure.
    void stop();
    // A failure: the first one is the reason, but one that ends the job (the database's
    // refusal) takes the place of one that did not, and what the job could not do (files)
    // the place of what it could not note (the settings file).
    void fail(JobReason why, const QString& words = {});
    // The database refused a write; an empty reason still counts as a refusal.
    void failStore(const QString& error);
    // The settings file refused a write: kept, and the job fails for it.
    void failSettings(const QString& error);

    // The reason in the window's words, with the detail when there is one.
    QString reasonText() const;
    // The same for the command line, in plain English.
    QString reasonTextEnglish() const;
};

}  // namespace quarrow
