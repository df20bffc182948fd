// A stand-in for the Tongdaxin quote program, offering what the program relies on and
// nothing more: the main window with the edition's title and its "RICHEDIT" report view;
// digits typed there open the "Tdx" code-input window whose "Edit" takes the code with
// Enter; F10 shows the stock's information page (its dragon-tiger list), which select-all
// and copy put on the clipboard; Ctrl+J opens the "主力监控总览" monitor with its two
// "List1" list views, whose rows grow, newest first, when a list is clicked. It writes what
// it was asked to do to a log in its working folder, where the check reads it. Like the
// real program, its view keeps the stock before on show until the new stock's page has
// loaded (kPageLoad_ms after Enter): copied early, it gives the earlier stock's page.

#include "FixtureData.h"
#include "FixtureLog.h"

// windows.h first: the other system headers build on it.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <richedit.h>

#include <string>

namespace {

constexpr wchar_t kMainClass[] = L"TdxW_MainFrame_Class";
constexpr wchar_t kInputClass[] = L"TdxKeyboardSprite";
constexpr wchar_t kMonitorClass[] = L"TdxMonitorOverview";

HWND g_main = nullptr;
HWND g_report = nullptr;
HWND g_input = nullptr;
HWND g_inputEdit = nullptr;
HWND g_monitor = nullptr;
HWND g_lists[2] = {};
int g_rows[2] = {};
std::wstring g_code = L"000001";
bool g_pageOpen = false;
constexpr UINT_PTR kPageLoadTimer = 1;
constexpr UINT kPageLoad_ms = 300;
WNDPROC g_richEditProc = nullptr;
WNDPROC g_editProc = nullptr;

void showPage() {
    SetWindowTextW(g_report, fixture::reportPage(g_code).c_str());
}

void addMonitorRow(int list) {
    const std::vector<std::wstring> cells = fixture::monitorRow(list, g_rows[list]);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = 0;  // the newest row on top, as the monitor shows them
    item.pszText = const_cast<wchar_t*>(cells[0].c_str());
    SendMessageW(g_lists[list], LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int column = 1; column < static_cast<int>(cells.size()); ++column) {
        item.iSubItem = column;
        item.pszText = const_cast<wchar_t*>(cells[column].c_str());
        SendMessageW(g_lists[list], LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    }
    ++g_rows[list];
}

// A click in a list view shows that list again, and the alerts that came in meanwhile stand
// on top of it: the rows grow as the program switches between the lists.
LRESULT CALLBACK listProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR list, DWORD_PTR) {
    if (message == WM_LBUTTONDOWN) {
        for (int row = 0; row < fixture::kMonitorRowsPerClick && g_rows[list] < fixture::kMonitorMaxRows;
             ++row)
            addMonitorRow(static_cast<int>(list));
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void openMonitor() {
    if (g_monitor)
        return;
    g_monitor = CreateWindowExW(0, kMonitorClass, fixture::kMonitorTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                60, 60, 520, 460, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    const wchar_t* headers[] = {L"时间", L"股票名称", L"价格/成交量"};
    for (int list = 0; list < 2; ++list) {
        // Both lists carry the title "List1": the program tells them apart by their order.
        g_lists[list] = CreateWindowExW(0, WC_LISTVIEWW, L"List1", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10,
                                        10 + 200 * list, 480, 190, g_monitor, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
        for (int column = 0; column < 3; ++column) {
            LVCOLUMNW header{};
            header.mask = LVCF_TEXT | LVCF_WIDTH;
            header.cx = 150;
            header.pszText = const_cast<wchar_t*>(headers[column]);
            SendMessageW(g_lists[list], LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&header));
        }
        for (int row = 0; row < fixture::kMonitorStartRows; ++row)
            addMonitorRow(list);
        SetWindowSubclass(g_lists[list], listProc, static_cast<UINT_PTR>(list), 0);
    }
    fixture::log(L"monitor open");
}

LRESULT CALLBACK codeEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        wchar_t text[32]{};
        GetWindowTextW(window, text, 32);
        g_code = text;
        fixture::log(L"code " + g_code);
        ShowWindow(g_input, SW_HIDE);
        // The page stays open and follows the newly chosen stock once it has loaded; till
        // then the view shows the stock before.
        if (g_pageOpen)
            SetTimer(g_main, kPageLoadTimer, kPageLoad_ms, nullptr);
        SetForegroundWindow(g_main);
        return 0;
    }
    if (message == WM_CHAR && wParam == L'\r')
        return 0;
    return CallWindowProcW(g_editProc, window, message, wParam, lParam);
}

// The keyboard sprite is made once and shown with the first digit typed, so that the
// digits that follow, already on their way, find it ready.
void createCodeInput() {
    g_input = CreateWindowExW(0, kInputClass, fixture::kCodeInputTitle, WS_POPUP | WS_CAPTION, 400, 300, 220,
                              80, g_main, nullptr, GetModuleHandleW(nullptr), nullptr);
    g_inputEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 5,
                                  5, 200, 24, g_input, nullptr, GetModuleHandleW(nullptr), nullptr);
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(g_inputEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(codeEditProc)));
}

void openCodeInput(wchar_t firstDigit) {
    SetWindowTextW(g_inputEdit, std::wstring(1, firstDigit).c_str());
    ShowWindow(g_input, SW_SHOW);
    SetForegroundWindow(g_input);
    SetFocus(g_inputEdit);
    SendMessageW(g_inputEdit, EM_SETSEL, 1, 1);
}

bool controlDown() {
    return GetKeyState(VK_CONTROL) < 0;
}

void logClick(HWND window, LPARAM lParam) {
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(window, &point);
    fixture::log(L"click " + std::to_wstring(point.x) + L" " + std::to_wstring(point.y));
}

LRESULT CALLBACK reportProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam >= '0' && wParam <= '9' && !controlDown()) {
                openCodeInput(static_cast<wchar_t>(wParam));
                return 0;
            }
            if (wParam == 'J' && controlDown()) {
                openMonitor();
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam >= L'0' && wParam <= L'9')
                return 0;
            break;
        case WM_SYSKEYDOWN:
            // F10 is a system key: without us it would open the menu.
            if (wParam == VK_F10) {
                g_pageOpen = true;
                showPage();
                fixture::log(L"F10 " + g_code);
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
            logClick(window, lParam);
            break;
    }
    return CallWindowProcW(g_richEditProc, window, message, wParam, lParam);
}

LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFOCUS:
            SetFocus(g_report);
            return 0;
        case WM_SIZE:
            MoveWindow(g_report, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_TIMER:
            if (wParam == kPageLoadTimer) {
                KillTimer(window, kPageLoadTimer);
                showPage();
                fixture::log(L"page " + g_code);
                return 0;
            }
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK monitorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        g_monitor = nullptr;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK inputProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFOCUS) {
        SetFocus(g_inputEdit);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass);
}

// The report view carries the class name "RICHEDIT", as the quote program's does: our own
// class of that name, built on the system's rich edit.
void registerReportClass() {
    LoadLibraryW(L"riched20.dll");
    WNDCLASSW richEdit{};
    GetClassInfoW(nullptr, RICHEDIT_CLASSW, &richEdit);
    g_richEditProc = richEdit.lpfnWndProc;
    richEdit.lpfnWndProc = reportProc;
    richEdit.hInstance = GetModuleHandleW(nullptr);
    richEdit.lpszClassName = L"RICHEDIT";
    richEdit.style &= ~CS_GLOBALCLASS;
    RegisterClassW(&richEdit);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    // The rich edit copies through the OLE clipboard.
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    wchar_t folder[MAX_PATH]{};
    GetCurrentDirectoryW(MAX_PATH, folder);
    fixture::log(std::wstring(L"start ") + folder);

    registerClass(kMainClass, mainProc);
    registerClass(kInputClass, inputProc);
    registerClass(kMonitorClass, monitorProc);
    registerReportClass();
    g_main = CreateWindowExW(0, kMainClass, fixture::kQuoteTitle, WS_OVERLAPPEDWINDOW, 100, 80, 800, 600,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    g_report = CreateWindowExW(0, L"RICHEDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0, 0,
                               800, 600, g_main, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(g_report, EM_SETEVENTMASK, 0, 0);
    createCodeInput();
    ShowWindow(g_main, show);
    RECT client{};
    GetClientRect(g_main, &client);
    MoveWindow(g_report, 0, 0, client.right, client.bottom, TRUE);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    fixture::log(L"end");
    OleUninitialize();
    return 0;
}
