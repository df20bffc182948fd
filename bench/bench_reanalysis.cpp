// Re-analyses a generated corpus of saved report documents (5,000 stocks × 4 documents by
// default) into a fresh database and prints documents per second, the time per stock and
// the peak memory, sampled early and at the end to show it does not grow with the stocks.
//
//   bench_reanalysis [STOCKS] [DOCUMENTS_PER_STOCK]

#include "BenchSupport.h"
#include "app/ProgramFolder.h"
#include "app/RunControl.h"
#include "app/Settings.h"
#include "demo/DemoCorpus.h"
#include "platform/Archiver.h"
#include "platform/Clock.h"
#include "platform/NetworkState.h"
#include "platform/ProcessLauncher.h"
#include "platform/Shutdown.h"
#include "quotefiles/StockListLoader.h"
#include "report/ReanalysisBatch.h"
#include "report/StockFolderList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace quarrow;
using quarrow::bench::currentMemoryKb;
using quarrow::bench::peakMemoryKb;

namespace {

// Answers the batch's questions (go on, start over, clear) and samples the peak memory
// as the rows go by; everything else is swallowed.
class BenchFrame final : public AppFrame {
public:
    MessageAnswer showMessage(const MessageRequest& request) override {
        return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    void addLog(const QString&, LogColor) override {}
    void setStatusPanel(StatusPanel panel, const QString& text) override {
        if (panel == StatusPanel::Pending && text.toInt() == rowsForEarlySample)
            earlyMemoryKb = currentMemoryKb();
    }
    void processEvents() override {}
    void clearLog() override {}
    QStringList logLines() const override { return {}; }
    void addPromptMemo(const QString&) override {}
    void showCapture(const QStringList&) override {}
    void showProgress(const RunProgress&) override {}
    void hideProgress() override {}
    void enableCommands(bool) override {}
    QString programFolder() const override { return QString(); }

    int rowsForEarlySample = -1;
    long earlyMemoryKb = 0;

protected:
    void displayPrompt(const QString&) override {}
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    DemoCorpusOptions options;
    options.stocks = arguments.size() > 1 ? arguments.at(1).toInt() : 5000;
    options.documentsPerStock = arguments.size() > 2 ? arguments.at(2).toInt() : 4;
    if (options.stocks < 1 || options.documentsPerStock < 1) {
        std::fprintf(stderr, "usage: bench_reanalysis [STOCKS] [DOCUMENTS_PER_STOCK]\n");
        return 2;
    }

    QTemporaryDir dir;
    const ProgramFolder folder(dir.path());
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!DemoCorpus(options).write(folder, nullptr, &error)) {
        std::fprintf(stderr, "cannot write the corpus: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("corpus: %d stocks x %d documents generated in %.1f s\n", options.stocks,
                options.documentsPerStock, timer.elapsed() / 1000.0);

    TDataBase db(folder.databaseFile());
    if (!db.open()) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(db.openError()));
        return 1;
    }
    BenchFrame frame;
    SystemClock clock;
    SystemProcessLauncher launcher;
    FixedNetworkState network(true);
    PortableArchiver archiver;
    SimulatedShutdown shutdown;
    Settings settings(folder, clock);
    ExtractionServices services{db, frame, clock, launcher, archiver, network, folder};
    ExtractionTotals totals;
    RunControl run(frame, clock);
    ReanalysisBatch batch(services, totals, settings, run, shutdown);

    // The stock list as the program would load it without a quote program: the corpus's table.
    StockList list;
    StockListLoader(frame).loadHandKept(folder.filePath(handKeptTableName()), list);
    QList<StockRow> rows;
    for (const StockEntry& entry : list.entries())
        rows.append({entry.key, entry.name});
    frame.rowsForEarlySample =
        static_cast<int>(rows.size()) - std::min<int>(1000, static_cast<int>(rows.size()));
    const long before = currentMemoryKb();
    timer.restart();
    const ReanalysisOutcome outcome = batch.run(rows, ReanalysisOptions{});
    const double seconds = timer.elapsed() / 1000.0;

    std::printf("re-analysed: %d stocks, %d documents in %.2f s\n", outcome.stocksAnalysed, outcome.documents,
                seconds);
    std::printf("documents per second: %.0f\n", outcome.documents / seconds);
    std::printf("time per stock: %.2f ms\n", seconds * 1000.0 / std::max(1, outcome.stocksAnalysed));
    std::printf("stored: %d anomaly days, %d block trades\n", totals.savedChangeCount, totals.savedBigCount);
    std::printf("memory in use: %ld KiB before the batch, %ld KiB after 1,000 stocks, %ld KiB at the end\n",
                before, frame.earlyMemoryKb, currentMemoryKb());
    std::printf("peak memory (getrusage): %ld KiB\n", peakMemoryKb());
    return outcome.documents == options.stocks * options.documentsPerStock ? 0 : 1;
}
