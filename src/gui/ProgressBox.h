#pragma once

#include "app/AppFrame.h"

#include <QGroupBox>

class QLabel;
class QProgressBar;
class QPlainTextEdit;

namespace quarrow {

// The progress box of a long run (GroupBoxProgress): the bar, the time needed and left,
// and the line that tells the user how the mouse steers the run. It floats over the
// content area; the window centres it.
class ProgressBox : public QGroupBox {
    Q_OBJECT
public:
    explicit ProgressBox(QWidget* parent);

    // The mining or the download layout, with its caption, size and mouse line.
    void SetProgressMode(bool download);
    void showProgress(const RunProgress& progress);
    void setPromptLine(const QString& text);
    QString promptLine() const;
    // Centres the box in its parent.
    void centre();
    // The page a download waits for, shown below the figures (WebBrowser in pnlWeb).
    QPlainTextEdit* webView() const { return m_webView; }

    static QString miningPrompt();
    static QString pausedPrompt();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QProgressBar* m_bar;
    QLabel* m_timeNeeded;
    QLabel* m_remain;
    QLabel* m_prompt;
    QWidget* m_web;
    QPlainTextEdit* m_webView;
    bool m_download = false;
};

}  // namespace quarrow
