#include "cli/CliCommands.h"
#include "program/ProgramServices.h"
#include "store/ChangeReads.h"

namespace quarrow {

namespace {

// quarrow-cli summary: what the database holds, in a few lines.
int runSummary(CliCall& call) {
    if (const int status = call.prepare(); status != kExitOk)
        return status;
    const StoreSummary summary = storeSummary(call.services().store());
    QString text;
    text += QStringLiteral("database: %1\n").arg(call.services().storeLocation().displayName());
    text += QStringLiteral("stocks:           %1\n").arg(summary.stocks);
    text += QStringLiteral("anomaly days:     %1\n").arg(summary.anomalyDays);
    text += QStringLiteral("change rows:      %1\n").arg(summary.changeRows);
    text += QStringLiteral("block trades:     %1\n").arg(summary.blockTrades);
    text += QStringLiteral("department names: %1\n").arg(summary.departments);
    if (summary.topBuyersRead) {
        text += QStringLiteral("top buying departments (rows, bought, sold):\n");
        for (const StoreSummary::Department& department : summary.topBuyers)
            text += QStringLiteral("  %1  %2  %3  %4\n")
                        .arg(department.name)
                        .arg(department.rows)
                        .arg(department.bought.toFixed(2), department.sold.toFixed(2));
    }
    printOut(text);
    return kExitOk;
}

}  // namespace

const CliCommand& summaryCommand() {
    static const CliCommand command{
        .name = QStringLiteral("summary"),
        .summary = QStringLiteral("print what the database holds and the ten departments that bought most"),
        .needs = kNeedsStore,
        .run = &runSummary,
    };
    return command;
}

}  // namespace quarrow
