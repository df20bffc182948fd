#include "gui/DownloadCommand.h"

#include "download/DataDownload.h"
#include "download/OutsideText.h"
#include "download/PageLoader.h"
#include "gui/MiningPage.h"
#include "gui/PageHost.h"
#include "gui/ProgressBox.h"
#include "gui/QueryPage.h"
#include "gui/RunMouseFilter.h"
#include "program/ProgramServices.h"

#include <QInputDialog>
#include <QPlainTextEdit>

namespace quarrow {

namespace {

// While a page is on its way the clicks belong to the window (the stop command among
// them), not to the run's mouse protocol; the page that came is shown in the progress box
// as plain text. A rich-text view would load the images the page names from local paths,
// and on Windows a //host/share path opens a connection to any host the page chooses.
class WindowPageLoader final : public PageLoader {
public:
    WindowPageLoader(PageLoader& inner, RunMouseFilter& mouse, QPlainTextEdit* view)
        : m_inner(inner), m_mouse(mouse), m_view(view) {
        m_view->clear();
    }

    PageResult load(const QUrl& url, const std::function<bool()>& stopRequested) override {
        m_mouse.setDownloadWaiting(true);
        PageResult result = m_inner.load(url, stopRequested);
        m_mouse.setDownloadWaiting(false);
        if (result.status == PageResult::Status::Loaded)
            m_view->setPlainText(pageTextForView(result.html));
        return result;
    }
    void expect(const QUrl& url) override { m_inner.expect(url); }

private:
    PageLoader& m_inner;
    RunMouseFilter& m_mouse;
    QPlainTextEdit* m_view;
};

}  // namespace

DownloadCommand::DownloadCommand(ProgramServices& services, PageHost& host, QueryPage& query,
                                 const MiningPage& mining, ProgressBox& progress, RunMouseFilter& mouse,
                                 QWidget* window)
    : QObject(window),
      m_services(services),
      m_host(host),
      m_query(query),
      m_mining(mining),
      m_progress(progress),
      m_mouse(mouse),
      m_window(window) {}

void DownloadCommand::btnGetFromServerClick() {
    DownloadOptions options = m_services.downloadOptions();
    options.shutdownWhenDone = m_mining.options().shutdownWhenDone;
    const auto askFrom = [this](const QString& title, const QString& prompt,
                                const QString& preset) -> std::optional<QString> {
        bool accepted = false;
        const QString text =
            QInputDialog::getText(m_window, title, prompt, QLineEdit::Normal, preset, &accepted);
        if (!accepted)
            return std::nullopt;
        m_host.hideFunctionPanel();
        m_host.showContentPage(ContentPage::StockDoc);
        return text;
    };
    NetworkPageLoader network(m_services.clock(), m_services.frame());
    WindowPageLoader loader(network, m_mouse, m_progress.webView());
    // The query page's range takes in every block trade stored, as the window does after
    // every job.
    m_lastOutcome = m_services.jobs().download(loader, options, askFrom);
}

}  // namespace quarrow
