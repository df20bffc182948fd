#include "cli/CliCommands.h"

namespace quarrow {

const std::vector<const CliCommand*>& cliCommands() {
    static const std::vector<const CliCommand*> commands = {
        &extractCommand(),  &summaryCommand(),        &generateReportsCommand(),
        &stocksCommand(),   &importCapitalCommand(),  &refreshNamesCommand(),
        &capitalCommand(),  &screenCommand(),         &dailyCommand(),
        &ownCommand(),      &generateQuoteCommand(),  &reanalyseCommand(),
        &settingsCommand(), &generateCorpusCommand(), &mineCommand(),
        &fetchCommand(),    &selectCommand(),         &queryCommand(),
        &deleteCommand(),   &backupCommand(),         &cleanupDocsCommand(),
        &watchCommand(),    &relayCommand(),          &captureCommand(),
        &downloadCommand(), &publishCommand(),        &scorecardCommand(),
        &followCommand(),   &followedCommand(),       &digestCommand(),
        &importDbCommand(),
    };
    return commands;
}

}  // namespace quarrow
