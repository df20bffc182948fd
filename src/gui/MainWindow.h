#pragma once

#include "app/ProgramFolder.h"
#include "platform/Platform.h"

#include <QMainWindow>

namespace quarrow {

// The desktop program's main window. For now it only shows which program folder it
// works in; the pages and commands join it as their logic lands in the core.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(const ProgramFolder& folder, Platform& platform, QWidget* parent = nullptr);

private:
    Platform& m_platform;
};

}  // namespace quarrow
