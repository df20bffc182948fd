// The window's download command "下载操盘数据": the date dialog, the progress box in its
// download layout with the page shown below the figures, and the job in the core.

#include "download/DataDownload.h"
#include "download/OutsideText.h"
#include "download/PageLoader.h"
#include "gui/DesktopServices.h"
#include "gui/MainForm.h"
#include "gui/MiningPage.h"
#include "gui/QueryPage.h"
#include "gui/RunMouseFilter.h"
#include "platform/Platform.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quarrow {

namespace {

// While a page is on its way the clicks belong to the window (the stop command among
// them), not to the run's mouse protocol; the page that came is shown in pnlWeb as plain
// text. A rich-text view would load the images the page names from local paths, and on
// Windows a //host/share path opens a connection to any host the page chooses.
class WindowPageLoader final : public PageLoader {
public:
    WindowPageLoader(PageLoader& inner, RunMouseFilter* filter, QWidget* web)
        : m_inner(inner),
          m_filter(filter),
          m_view(web->findChild<QPlainTextEdit*>(QStringLiteral("WebBrowser"))) {
        if (!m_view) {
            m_view = new QPlainTextEdit(web);
            m_view->setObjectName(QStringLiteral("WebBrowser"));
            m_view->setReadOnly(true);
            (new QVBoxLayout(web))->addWidget(m_view);
        }
        m_view->clear();
    }

    PageResult load(const QUrl& url, const std::function<bool()>& stopRequested) override {
        if (m_filter)
            m_filter->setDownloadWaiting(true);
        PageResult result = m_inner.load(url, stopRequested);
        if (m_filter)
            m_filter->setDownloadWaiting(false);
        if (result.status == PageResult::Status::Loaded)
            m_view->setPlainText(pageTextForView(result.html));
        return result;
    }

private:
    PageLoader& m_inner;
    RunMouseFilter* m_filter;
    QPlainTextEdit* m_view;
};

}  // namespace

void TMainForm::btnGetFromServerClick() {
    DesktopServices& s = *m_services;
    if (s.run.isActive())
        return;
    DownloadOptions options;
    options.changePage = s.settings.serverChangePage();
    options.bigPage = s.settings.serverBigPage();
    options.user = s.settings.serverUser();
    options.shutdownWhenDone = m_miningPage->options().shutdownWhenDone;
    runJob([&] {
        NetworkPageLoader network(s.platform.clock(), *m_frame);
        WindowPageLoader loader(network, m_mouseFilter, findChild<QWidget*>(QStringLiteral("pnlWeb")));
        DataDownload download(
            {s.db, *m_frame, s.platform.clock(), s.run, s.platform.network(), s.platform.shutdown(), loader});
        const DownloadOutcome outcome =
            download.run(options,
                         [this](const QString& title, const QString& prompt,
                                const QString& preset) -> std::optional<QString> {
                             bool accepted = false;
                             const QString text = QInputDialog::getText(this, title, prompt,
                                                                        QLineEdit::Normal, preset, &accepted);
                             if (!accepted)
                                 return std::nullopt;
                             hideFunctionPanel();
                             showContentPage(QStringLiteral("TabSheetStockDoc"));
                             return text;
                         });
        if (outcome.bigFrom.isValid()) {
            // The query page's range takes in every block trade just stored.
            for (const char* name : {"DateFrom", "DateTo"}) {
                auto* picker = m_queryPage->findChild<CheckedDatePicker*>(QString::fromLatin1(name));
                const bool from = qstrcmp(name, "DateFrom") == 0;
                if (picker && (from ? picker->date() > outcome.bigFrom : picker->date() < outcome.bigTo))
                    picker->setDate(from ? outcome.bigFrom : outcome.bigTo);
            }
        }
        if (outcome.departmentsAdded)
            m_queryPage->enableDepartmentReload();
        if (!outcome.storeError.isEmpty())
            m_frame->ShowHelpPicture(QStringLiteral("数据保存失败: %1").arg(outcome.storeError), QString(),
                                     false);
    });
}

}  // namespace quarrow
