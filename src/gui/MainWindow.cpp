#include "gui/MainWindow.h"

#include <QLabel>
#include <QStatusBar>

namespace quarrow {

MainWindow::MainWindow(const ProgramFolder& folder, Platform& platform, QWidget* parent)
    : QMainWindow(parent), m_platform(platform) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Quarrow 操盘庄家挖掘"));
    auto* label = new QLabel(QStringLiteral("程序文件夹: %1").arg(folder.path()), this);
    label->setObjectName(QStringLiteral("lblProgramFolder"));
    label->setMargin(12);
    setCentralWidget(label);
    statusBar()->setObjectName(QStringLiteral("statMain"));
    resize(960, 640);
}

}  // namespace quarrow
