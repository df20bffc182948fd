// The housekeeping commands of the main window: the filtered delete and the backup on the
// query page, the clean-up of old report documents on the document page.

#include "gui/MainForm.h"
#include "gui/QueryPage.h"
#include "gui/QueryResultModel.h"
#include "program/ProgramServices.h"
#include "report/DocumentCleanup.h"
#include "review/DatabaseCopy.h"
#include "review/FilteredDelete.h"

#include <QBoxLayout>
#include <QDir>
#include <QPushButton>
#include <QStackedWidget>

namespace quarrow {

namespace {

// Names a few of a list of paths in a message box; the rest by their number.
QString someOf(const QStringList& paths) {
    constexpr int kShown = 5;
    QStringList shown;
    for (const QString& path : paths.mid(0, kShown))
        shown << QDir::toNativeSeparators(path);
    if (paths.size() > kShown)
        shown << QStringLiteral("等%1个").arg(paths.size());
    return shown.join(QLatin1Char('\r'));
}

}  // namespace

void TMainForm::buildHousekeeping() {
    using Slot = void (TMainForm::*)();
    // A command with a hint shows it on the prompt line as it starts.
    const auto command = [this](QWidget* parent, const char* name, const QString& caption,
                                const QString& hint, Slot slot) {
        auto* button = new QPushButton(caption, parent);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(hint);
        connect(button, &QPushButton::clicked, this, [this, button, slot] {
            if (!button->toolTip().isEmpty())
                m_frame->ShowPrompt(button->toolTip());
            (this->*slot)();
        });
        return button;
    };

    auto* row = new QHBoxLayout;
    row->addWidget(command(m_queryPage, "btnDelMainBuySale", QStringLiteral("删除数据"),
                           QStringLiteral("删除过期的买卖动态数据"), &TMainForm::btnDelMainBuySaleClick));
    row->addWidget(command(m_queryPage, "btnCopyData", QStringLiteral("备份数据库"), QString(),
                           &TMainForm::btnCopyDataClick));
    row->addStretch();
    if (auto* layout = qobject_cast<QBoxLayout*>(m_queryPage->layout()))
        layout->insertLayout(layout->count() - 1, row);

    QWidget* history = m_functionPages->findChild<QWidget*>(QStringLiteral("TabDocHistory"));
    if (auto* layout = history ? qobject_cast<QBoxLayout*>(history->layout()) : nullptr)
        layout->insertWidget(
            layout->count() - 1,
            command(history, "btnDelete", QStringLiteral("删除过旧的股票文档资料"),
                    QStringLiteral("删除旧文档资料,只保留最后一次的股票文档"), &TMainForm::btnDeleteClick));
}

void TMainForm::btnDelMainBuySaleClick() {
    ProgramServices& s = m_services;
    if (s.run().isActive())
        return;
    showContentPage(QStringLiteral("TabSheetStockCode"));
    const OperatorQuery page = m_queryPage->state();
    runJob([&] {
        const FilteredDeleteOutcome outcome = FilteredDelete(s.store(), *m_frame).run(page);
        if (outcome.status == FilteredDeleteOutcome::Status::Failed) {
            m_frame->notify(QStringLiteral("删除数据出错,没有删除任何数据: %1").arg(outcome.error));
            return;
        }
        if (outcome.status != FilteredDeleteOutcome::Status::Deleted)
            return;
        m_frame->ShowPrompt(QStringLiteral("已删除%1条数据").arg(outcome.rows));
        // The main grid shows what is left of the stored rows; the alerts it may not show.
        QueryResultModel& grid = *m_queryPage->resultModel();
        if (!page.mainBuySale && grid.hasStatement() && !grid.reopen(s.store()))
            m_frame->notify(QStringLiteral("数据查询出错: %1").arg(grid.error()));
    });
}

void TMainForm::btnCopyDataClick() {
    ProgramServices& s = m_services;
    if (s.run().isActive())
        return;
    DatabaseCopy copy = s.databaseCopy();
    if (!copy.supported()) {
        m_frame->notify(QStringLiteral("数据保存在ODBC数据源%1中,无法按文件备份;请用数据源自己的工具备份")
                            .arg(s.storeLocation().displayName()));
        return;
    }
    const std::optional<QString> chosen =
        m_frame->chooseFile(QStringLiteral("备份数据库"), copy.proposedPath());
    if (!chosen)
        return;
    runJob([&] {
        const DatabaseCopyOutcome outcome = copy.copyTo(*chosen);
        switch (outcome.status) {
            case DatabaseCopyOutcome::Status::Copied:
                m_frame->ShowPrompt(QStringLiteral("数据库已备份到") +
                                    QDir::toNativeSeparators(outcome.target));
                break;
            case DatabaseCopyOutcome::Status::SamePath:
                m_frame->ShowPrompt(QStringLiteral("备份文件就是数据库文件本身,没有备份"));
                break;
            case DatabaseCopyOutcome::Status::Unsupported:
            case DatabaseCopyOutcome::Status::Failed:
                m_frame->notify(QStringLiteral("数据库备份失败: %1").arg(outcome.error));
                break;
        }
        if (!outcome.settingError.isEmpty())
            m_frame->notify(QStringLiteral("无法记下备份文件夹: %1").arg(outcome.settingError));
    });
}

void TMainForm::btnDeleteClick() {
    ProgramServices& s = m_services;
    if (s.run().isActive())
        return;
    const QList<StockRow> rows = s.stockRows();
    runJob([&] {
        const DocumentCleanupOutcome outcome = s.documentCleanup().run(rows);
        if (!outcome.error.isEmpty())
            m_frame->notify(QStringLiteral("读取数据库出错,清理没有完成: %1").arg(outcome.error));
        if (!outcome.undeleted.isEmpty())
            m_frame->notify(QStringLiteral("以下文件无法删除:\r") + someOf(outcome.undeleted));
        if (!outcome.unlisted.isEmpty())
            m_frame->notify(QStringLiteral("以下文件夹无法读取:\r") + someOf(outcome.unlisted));
    });
}

}  // namespace quarrow
