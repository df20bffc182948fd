// quarrow-cli follow, followed and digest: the followed departments "FollowDept.Txt", their
// rows with their track record, and the day's digest.

#include "app/SafeFile.h"
#include "app/TextExport.h"
#include "cli/CliCommands.h"
#include "follow/DigestFormat.h"
#include "follow/FollowedReport.h"
#include "program/ProgramServices.h"

#include <algorithm>

namespace quarrow {

namespace {

// FollowDept.Txt as prepare() would ready it: false after saying why it cannot be read.
bool loadFollowedList(ProgramServices& services) {
    QString error;
    if (!services.loadFollowed(&error)) {
        printError(
            QStringLiteral("cannot read the followed list %1: %2").arg(services.followed().file(), error));
        return false;
    }
    if (services.followed().skippedLines() > 0)
        printError(QStringLiteral("%1: %2 lines are no department name and were left out")
                       .arg(services.followed().file())
                       .arg(services.followed().skippedLines()));
    return true;
}

// Whether the store names the department: a name not there yet is followed all the same,
// since the seat may be listed tomorrow.
void warnWhenUnknown(ProgramServices& services, const QString& name) {
    if (!services.openStore()) {
        printError(QStringLiteral("warning: the database did not open (%1), so %2 could not be looked for")
                       .arg(services.storeError(), name));
        return;
    }
    QString error;
    const std::optional<FollowedKeys> keys = FollowedKeys::resolve(services.store(), {name}, &error);
    if (!keys) {
        printError(QStringLiteral("warning: %1 could not be looked for: %2").arg(name, error));
        return;
    }
    const bool known = std::any_of(keys->keys().begin(), keys->keys().end(),
                                   [&](qint32 key) { return keys->isStored(key); });
    if (!known)
        printError(
            QStringLiteral("warning: no department named %1 is in the database yet; it is followed all the "
                           "same")
                .arg(name));
}

int runFollow(CliCall& call) {
    const QStringList words = call.arguments();
    const QString action = words.value(0);
    const bool takesName = action == QLatin1String("add") || action == QLatin1String("del");
    if (!((action == QLatin1String("list") && words.size() == 1) || (takesName && words.size() == 2)))
        return call.usageError(QStringLiteral("give list, or add or del with a department name"));
    const std::optional<QString> name = takesName ? FollowedList::cleanName(words.at(1)) : std::nullopt;
    if (takesName && !name)
        return call.usageError(QStringLiteral("a department name is not empty, has at most %1 characters "
                                              "and no tab or line break")
                                   .arg(FollowedList::kMaxNameLength));
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    if (!loadFollowedList(services))
        return kExitFailure;
    FollowedList& list = services.followed();
    if (action == QLatin1String("list")) {
        QString text;
        for (const QString& item : list.names())
            text += item + QLatin1Char('\n');
        printOut(text);
        return kExitOk;
    }
    QString error;
    const bool adding = action == QLatin1String("add");
    switch (adding ? list.add(*name, &error) : list.remove(*name, &error)) {
        case FollowedList::Change::Done:
            if (adding)
                warnWhenUnknown(services, *name);
            printOut(QStringLiteral("%1 %2\n").arg(
                adding ? QStringLiteral("following") : QStringLiteral("unfollowed"), *name));
            return kExitOk;
        case FollowedList::Change::Unchanged:
            if (adding) {
                printOut(QStringLiteral("%1 is followed already\n").arg(*name));
                return kExitOk;
            }
            printError(QStringLiteral("%1 is not followed").arg(*name));
            return kExitFailure;
        case FollowedList::Change::NotAName:
        case FollowedList::Change::SaveFailed:
            break;
    }
    printError(QStringLiteral("cannot write %1: %2").arg(list.file(), error));
    return kExitFailure;
}

int runFollowed(CliCall& call) {
    const auto since = call.day(QStringLiteral("since"));
    const auto format =
        since ? call.choice(QStringLiteral("format"), {QStringLiteral("table"), QStringLiteral("csv")})
              : std::nullopt;
    if (!format)
        return kExitUsage;
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    if (!loadFollowedList(services))
        return kExitFailure;
    QDate from = *since;
    if (!from.isValid()) {
        QString error;
        const std::optional<QDate> newest = FollowedTrades::newestDay(services.store(), &error);
        if (!newest) {
            printError(QStringLiteral("cannot read the newest day: %1").arg(error));
            return kExitFailure;
        }
        from = *newest;
    }
    FollowedTradeList list;
    // An empty store has no newest day and nothing to list.
    if (from.isValid())
        list = services.followedBetween(from, QDate());
    if (!list.ok()) {
        printError(QStringLiteral("cannot read the followed departments' rows: %1").arg(list.error));
        return kExitFailure;
    }
    const QStringList titles = FollowedReport::columnTitles();
    std::vector<QStringList> rows;
    for (const FollowedTrade& trade : list.trades)
        rows.push_back(FollowedReport::cells(trade));
    printOut(*format == QLatin1String("table") ? TextExport::table(titles, rows)
                                               : TextExport::csvText(titles, rows));
    return kExitOk;
}

int runDigest(CliCall& call) {
    const auto day = call.day(QStringLiteral("day"));
    if (!day)
        return kExitUsage;
    const QString out = call.value(QStringLiteral("out"));
    if (call.isSet(QStringLiteral("out")) && out.isEmpty())
        return call.usageError(QStringLiteral("--out takes a file name"));
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    ProgramServices& services = call.services();
    if (!loadFollowedList(services))
        return kExitFailure;
    QString error;
    const std::optional<DayDigest> digest = services.dayDigest(*day, !out.isEmpty(), &error);
    if (!digest) {
        printError(QStringLiteral("cannot make the digest: %1").arg(error));
        return kExitFailure;
    }
    if (out.isEmpty()) {
        printOut(DigestFormat::text(*digest));
        return kExitOk;
    }
    if (!SafeFile::replace(out, DigestFormat::html(*digest), &error)) {
        printError(QStringLiteral("cannot write %1: %2").arg(out, error));
        return kExitFailure;
    }
    printOut(QStringLiteral("digest of %1 written to %2\n")
                 .arg(digest->day.toString(QStringLiteral("yyyy-MM-dd")), out));
    return kExitOk;
}

}  // namespace

void reportFollowedRows(ProgramServices& services) {
    const FollowedRunReport& report = services.jobs().lastFollowed();
    if (!report.trades.ok())
        printError(QStringLiteral("cannot read the followed departments' rows: %1").arg(report.trades.error));
    else if (!report.trades.trades.empty())
        printOut(
            QStringLiteral("followed departments: %1 of the stored rows (quarrow-cli followed lists them)\n")
                .arg(report.trades.trades.size()));
    if (!report.chatProblem.isEmpty())
        printError(QStringLiteral("the summary did not reach the QQ chat: its window could not be selected"));
}

const CliCommand& followCommand() {
    static const CliCommand command{
        .name = QStringLiteral("follow"),
        .arguments = QStringLiteral("list | add NAME | del NAME"),
        .summary = QStringLiteral("show or change the followed departments FollowDept.Txt"),
        .minArguments = 1,
        .maxArguments = 2,
        .needs = kNeedsStoreIfAny,
        .run = &runFollow,
    };
    return command;
}

const CliCommand& followedCommand() {
    static const CliCommand command{
        .name = QStringLiteral("followed"),
        .summary =
            QStringLiteral("the followed departments' rows from a day on, oldest first, with their track "
                           "record on the side of the net"),
        .options = {{QStringLiteral("since"), QStringLiteral("yyyy-mm-dd"),
                     QStringLiteral("From this day on (default: the newest day stored).")},
                    {QStringLiteral("format"), QStringLiteral("table|csv"),
                     QStringLiteral("Aligned columns or CSV."), QStringLiteral("table")}},
        .needs = kNeedsQuoteFolderIfAny | kNeedsStore,
        .run = &runFollowed,
    };
    return command;
}

const CliCommand& digestCommand() {
    static const CliCommand command{
        .name = QStringLiteral("digest"),
        .summary = QStringLiteral("the day's digest: listed stocks, the departments' net buying, the "
                                  "institutions' seats, the followed departments and the stocks' charts"),
        .options = {{QStringLiteral("day"), QStringLiteral("yyyy-mm-dd"),
                     QStringLiteral("The day (default: the newest day stored).")},
                    {QStringLiteral("out"), QStringLiteral("FILE.html"),
                     QStringLiteral("Write one self-contained HTML file with the charts instead.")}},
        .needs = kNeedsQuoteFolderIfAny | kNeedsStore,
        .run = &runDigest,
    };
    return command;
}

}  // namespace quarrow
