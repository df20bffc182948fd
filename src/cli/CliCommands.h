#pragma once

#include "cli/CliCommand.h"

namespace quarrow {

class ProgramServices;
class StoredRows;

// After a job that stored rows: says how many of them are the followed departments' and
// sends their summary to the QQ chat when the settings ask for it.
void reportFollowedRows(ProgramServices& services);

// The commands of quarrow-cli, each declared beside its body.
const CliCommand& extractCommand();
const CliCommand& summaryCommand();
const CliCommand& generateReportsCommand();
const CliCommand& stocksCommand();
const CliCommand& importCapitalCommand();
const CliCommand& refreshNamesCommand();
const CliCommand& capitalCommand();
const CliCommand& screenCommand();
const CliCommand& dailyCommand();
const CliCommand& ownCommand();
const CliCommand& generateQuoteCommand();
const CliCommand& reanalyseCommand();
const CliCommand& settingsCommand();
const CliCommand& generateCorpusCommand();
const CliCommand& mineCommand();
const CliCommand& fetchCommand();
const CliCommand& selectCommand();
const CliCommand& queryCommand();
const CliCommand& deleteCommand();
const CliCommand& backupCommand();
const CliCommand& cleanupDocsCommand();
const CliCommand& watchCommand();
const CliCommand& relayCommand();
const CliCommand& captureCommand();
const CliCommand& downloadCommand();
const CliCommand& publishCommand();
const CliCommand& scorecardCommand();
const CliCommand& followCommand();
const CliCommand& followedCommand();
const CliCommand& digestCommand();
const CliCommand& importDbCommand();

}  // namespace quarrow
