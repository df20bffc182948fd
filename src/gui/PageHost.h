#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace quarrow {

class WindowMemory;

// The pages of the main window's page control (TabSheetStockCode, TabSheetStockDoc,
// TabSheetPrompt, TabSheetMain, the track record and the followed departments), and the
// pages of its floating
// function panel in the order a swipe turns them (TabGetFromHuLin, TabGetFromDB,
// TabDocHistory, TabSheetSendToQQ, TabSheetSetup).
enum class ContentPage { StockCode, StockDoc, Prompt, Main, TrackRecord, Followed };
enum class FunctionPage { Mining, Query, Documents, Relay, Setup };

// What a page asks of the main window around it: which page shows and whether the window
// stays in front. Jobs go through the program's job runner, after which the window
// makes itself usable again.
class PageHost {
public:
    virtual ~PageHost() = default;

    virtual void showContentPage(ContentPage page) = 0;
    // Shows the function panel at the page.
    virtual void showFunctionPage(FunctionPage page) = 0;
    virtual void hideFunctionPanel() = 0;
    virtual void stayOnTop(bool on) = 0;
    virtual void bringToFront() = 0;
    // The stop command: the run under way ends at its next check.
    virtual void stopRun() = 0;
    // The file dialog, opened on the proposed file: the file chosen, nothing when the user
    // cancelled.
    virtual std::optional<QString> chooseFile(const QString& title, const QString& proposedPath) = 0;
    // What the window keeps of how the user left it (splitters, column widths, filters).
    virtual WindowMemory& memory() = 0;
};

}  // namespace quarrow
