#pragma once

class QCoreApplication;

namespace quarrow {

// Qt's own texts (the buttons of message boxes and file dialogs, the context menus of
// edits) in Chinese, from Qt's translations: beside the program (a Windows installation)
// or where Qt keeps them (Debian: qt6-translations-l10n). False when none were found.
bool installChineseTranslations(QCoreApplication& application);

}  // namespace quarrow
