#include "gui/ImportCommand.h"

#include "gui/DatabaseMessages.h"
#include "program/ProgramServices.h"

#include <QDir>

namespace quarrow {

void runStoreImport(ProgramServices& services) {
    AppFrame& frame = services.frame();
    const StoreImportOptions options = services.storeImportOptions();
    if (options.source.kind == StoreKind::SQLite) {
        frame.notify(
            QStringLiteral(
                "设置文件没有指定Access数据库或ODBC数据源:程序已经在使用自己的数据库%1,没有要导入的数据")
                .arg(QDir::toNativeSeparators(options.target)));
        return;
    }
    {
        const StoreImportOutcome outcome = services.jobs().importStore(options);
        if (!outcome.sourceError.isEmpty()) {
            frame.notify(QStringLiteral("读取%1出错,导入没有完成: %2")
                             .arg(options.source.displayName(), databaseErrorText(outcome.sourceError)));
        } else if (outcome.storeFailed()) {
            frame.notify(
                QStringLiteral("数据无法存入%1,导入没有完成: %2")
                    .arg(QDir::toNativeSeparators(options.target), databaseErrorText(outcome.storeError())));
        } else if (outcome.stopped()) {
            frame.notify(QStringLiteral("导入已停止,已复制的数据保留。再次导入时接着复制其余的数据"));
        } else if (outcome.failed() && !outcome.verified) {
            frame.notify(QStringLiteral("核对发现%1中缺少源数据库的记录,设置没有改变")
                             .arg(QDir::toNativeSeparators(options.target)));
        } else if (outcome.settingsSwitched) {
            frame.notify(
                QStringLiteral(
                    "数据已全部复制到%1并核对无误。设置文件已改为使用这个数据库(原来的设置作为注释保留),"
                    "重新启动程序后生效")
                    .arg(QDir::toNativeSeparators(options.target)));
        } else if (outcome.verified) {
            frame.notify(QStringLiteral("数据已全部复制到%1并核对无误,但设置文件无法改写: %2")
                             .arg(QDir::toNativeSeparators(options.target), outcome.settingsError));
        }
    }
}

}  // namespace quarrow
