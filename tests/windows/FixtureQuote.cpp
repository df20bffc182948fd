// A stand-in for the Tongdaxin quote program, offering what the program relies on and
// nothing more: the main window with the edition's title and its "RICHEDIT" report view;
// digits typed there open the "Tdx" code-input window whose "Edit" takes the code with
// Enter; F10 shows the stock's information page (its dragon-tiger list), which select-all
// and copy put on the clipboard; Ctrl+J opens the "主力监控总览" monitor with two list
// views titled "List1", a category list and an alert list: a click at (35, 147) of the
// category list shows the selling alerts, one at (35, 130) the buying alerts, each time
// with the alerts that came in meanwhile on top. It writes what it was asked to do to a
// log in its working folder, where the check reads it. Like the real program, its view
// keeps the stock before on show until the new stock's page has loaded (kPageLoad_ms
// after Enter): copied early, it gives the earlier stock's page.
//
// In a quote folder the pages are those of sim/pages/C.txt (the simulated quote program's:
// byte-order mark, UTF-8, else GBK), with the general page for a stock without one, and
// the monitor's alerts those of sim/monitor.txt; elsewhere the fixture's own.
//
// It follows the screen's scaling as the real program appears to the user: its windows
// and controls are laid out at the window's dots per inch, and positions it logs are in
// its pixels at 96 dpi.

#include "FixtureData.h"
#include "FixtureLog.h"

// windows.h first: the other system headers build on it.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <richedit.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMainClass[] = L"TdxW_MainFrame_Class";
constexpr wchar_t kInputClass[] = L"TdxKeyboardSprite";
constexpr wchar_t kMonitorClass[] = L"TdxMonitorOverview";
// Where the category list's two rows lie, in its pixels at 96 dpi.
constexpr int kSellingRowY = 147;
constexpr int kBuyingRowY = 130;

HWND g_main = nullptr;
HWND g_report = nullptr;
HWND g_input = nullptr;
HWND g_inputEdit = nullptr;
HWND g_monitor = nullptr;
HWND g_categories = nullptr;
HWND g_alerts = nullptr;
std::wstring g_code = L"000001";
bool g_pageOpen = false;
constexpr UINT_PTR kPageLoadTimer = 1;
constexpr UINT kPageLoad_ms = 300;
WNDPROC g_richEditProc = nullptr;
WNDPROC g_editProc = nullptr;

// The monitor's alerts: those not shown yet, per side (0 selling, 1 buying), in the
// order they come in, and the side the alert list shows.
std::deque<std::vector<std::wstring>> g_pending[2];
int g_shownSide = 0;
int g_shownRows[2] = {};
// How many alerts each list starts with and how many come in between two clicks: a
// quote folder's feed of a whole day comes in faster than the fixture's own few.
int g_startRows = fixture::kMonitorStartRows;
int g_rowsPerClick = fixture::kMonitorRowsPerClick;

int scaled(HWND window, int pixelsAt96) {
    return MulDiv(pixelsAt96, static_cast<int>(GetDpiForWindow(window)), 96);
}

int unscaled(HWND window, int pixels) {
    return MulDiv(pixels, 96, static_cast<int>(GetDpiForWindow(window)));
}

std::wstring folderFile(const std::wstring& relative) {
    wchar_t folder[MAX_PATH]{};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return std::wstring(folder) + L"\\" + relative;
}

bool readFile(const std::wstring& path, std::string* bytes) {
    const HANDLE in = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(in, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes->append(buffer, got);
    CloseHandle(in);
    return true;
}

std::wstring decoded(const std::string& bytes, UINT codePage, DWORD flags, std::size_t skip = 0) {
    const char* data = bytes.data() + skip;
    const int size = static_cast<int>(bytes.size() - skip);
    const int length = MultiByteToWideChar(codePage, flags, data, size, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, data, size, text.data(), length);
    return text;
}

// A page file as the program's text rules read it: a byte-order mark decides, then UTF-8
// when the bytes are UTF-8, else GBK.
std::wstring decodedPage(const std::string& bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return decoded(bytes, CP_UTF8, 0, 3);
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    const std::wstring utf8 = decoded(bytes, CP_UTF8, MB_ERR_INVALID_CHARS);
    return !utf8.empty() || bytes.empty() ? utf8 : decoded(bytes, 936, 0);
}

std::vector<std::wstring> split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::wstring::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::wstring stockName(const std::wstring& code) {
    std::string bytes;
    if (!readFile(folderFile(L"sim\\names.txt"), &bytes))
        return L"未知证券";
    for (std::wstring line : split(decoded(bytes, CP_UTF8, 0), L'\n')) {
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (line.size() > code.size() && line.compare(0, code.size(), code) == 0 && line[code.size()] == L' ')
            return line.substr(code.size() + 1);
    }
    return L"未知证券";
}

// The page of the current stock: its file in a quote folder with pages, else the general
// page there, else the fixture's own report.
std::wstring pageOf(const std::wstring& code) {
    std::string bytes;
    if (readFile(folderFile(L"sim\\pages\\" + code + L".txt"), &bytes))
        return decodedPage(bytes);
    if (GetFileAttributesW(folderFile(L"sim\\pages").c_str()) == INVALID_FILE_ATTRIBUTES)
        return fixture::reportPage(code);
    return L"☆个股资料☆ ◇" + code + L" " + stockName(code) +
           L"◇\r\n"
           L"★本栏包括【1.公司概况】【2.最新提示】【3.财务分析】★\r\n\r\n"
           L"【1.公司概况】\r\n证券代码:" +
           code + L"\r\n所属行业:综合\r\n【2.最新提示】\r\n暂无最新提示\r\n";
}

void showPage() {
    SetWindowTextW(g_report, pageOf(g_code).c_str());
}

// The alerts of sim/monitor.txt in a quote folder (time, tab, S or B, tab, the cells),
// else the fixture's own.
void loadAlerts() {
    std::string bytes;
    if (readFile(folderFile(L"sim\\monitor.txt"), &bytes)) {
        for (std::wstring line : split(decoded(bytes, CP_UTF8, 0), L'\n')) {
            if (!line.empty() && line.back() == L'\r')
                line.pop_back();
            std::vector<std::wstring> parts = split(line, L'\t');
            if (parts.size() < 3 || (parts[1] != L"S" && parts[1] != L"B"))
                continue;
            g_pending[parts[1] == L"S" ? 0 : 1].emplace_back(parts.begin() + 2, parts.end());
        }
        g_startRows = 20;
        g_rowsPerClick = 20;
        return;
    }
    for (int side = 0; side < 2; ++side) {
        for (int number = 0; number < fixture::kMonitorMaxRows; ++number)
            g_pending[side].push_back(fixture::monitorRow(side, number));
    }
}

void insertRow(const std::vector<std::wstring>& cells) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = 0;  // the newest row on top, as the monitor shows them
    item.pszText = const_cast<wchar_t*>(cells.empty() ? L"" : cells[0].c_str());
    SendMessageW(g_alerts, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int column = 1; column < static_cast<int>(cells.size()); ++column) {
        item.iSubItem = column;
        item.pszText = const_cast<wchar_t*>(cells[column].c_str());
        SendMessageW(g_alerts, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

// Shows a side in the alert list: the alerts shown before, then those that came in since.
void showSide(int side, int arriving) {
    static std::vector<std::vector<std::wstring>> shown[2];
    for (int i = 0; i < arriving && !g_pending[side].empty(); ++i) {
        shown[side].push_back(g_pending[side].front());
        g_pending[side].pop_front();
    }
    SendMessageW(g_alerts, LVM_DELETEALLITEMS, 0, 0);
    for (const auto& row : shown[side])
        insertRow(row);
    g_shownSide = side;
    g_shownRows[side] = static_cast<int>(shown[side].size());
}

// A click in the category list shows the side whose row is nearer, with the alerts that
// came in meanwhile on top.
LRESULT CALLBACK categoriesProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
    if (message == WM_LBUTTONDOWN) {
        const int x = unscaled(window, static_cast<short>(LOWORD(lParam)));
        const int y = unscaled(window, static_cast<short>(HIWORD(lParam)));
        fixture::log(L"list click " + std::to_wstring(x) + L" " + std::to_wstring(y));
        const int side = std::abs(y - kSellingRowY) <= std::abs(y - kBuyingRowY) ? 0 : 1;
        showSide(side, g_rowsPerClick);
        fixture::log(std::wstring(side == 0 ? L"selling" : L"buying") + L" shown, " +
                     std::to_wstring(g_shownRows[side]) + L" rows");
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

HWND makeList(HWND parent, int x, int y, int width, int height) {
    return CreateWindowExW(0, WC_LISTVIEWW, L"List1", WS_CHILD | WS_VISIBLE | LVS_REPORT, scaled(parent, x),
                           scaled(parent, y), scaled(parent, width), scaled(parent, height), parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

void addColumns(HWND list, const std::vector<const wchar_t*>& headers) {
    for (int column = 0; column < static_cast<int>(headers.size()); ++column) {
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT | LVCF_WIDTH;
        header.cx = scaled(list, 110);
        header.pszText = const_cast<wchar_t*>(headers[column]);
        SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&header));
    }
}

void openMonitor() {
    if (g_monitor)
        return;
    g_monitor = CreateWindowExW(0, kMonitorClass, fixture::kMonitorTitle, WS_OVERLAPPEDWINDOW, 60, 60, 10, 10,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowPos(g_monitor, nullptr, 0, 0, scaled(g_monitor, 560), scaled(g_monitor, 440),
                 SWP_NOMOVE | SWP_NOZORDER);
    // Both lists carry the title "List1": the program tells them apart by their order.
    g_categories = makeList(g_monitor, 4, 4, 120, 380);
    addColumns(g_categories, {L"类别"});
    g_alerts = makeList(g_monitor, 128, 4, 410, 380);
    addColumns(g_alerts, {L"时间", L"股票名称", L"价格/成交量"});
    loadAlerts();
    for (const wchar_t* category : {L"主力买入", L"主力抛售"}) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = 0;
        item.pszText = const_cast<wchar_t*>(category);
        SendMessageW(g_categories, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    showSide(1, g_startRows);
    showSide(0, g_startRows);
    SetWindowSubclass(g_categories, categoriesProc, 0, 0);
    ShowWindow(g_monitor, SW_SHOW);
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
    g_input = CreateWindowExW(0, kInputClass, fixture::kCodeInputTitle, WS_POPUP | WS_CAPTION, 400, 300, 10,
                              10, g_main, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowPos(g_input, nullptr, 0, 0, scaled(g_input, 220), scaled(g_input, 80),
                 SWP_NOMOVE | SWP_NOZORDER);
    g_inputEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                                  scaled(g_input, 5), scaled(g_input, 5), scaled(g_input, 200),
                                  scaled(g_input, 24), g_input, nullptr, GetModuleHandleW(nullptr), nullptr);
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

// A click in the main window, by where it landed on the screen and, in the program's
// pixels at 96 dpi, how far from the window's top left and from its bottom right.
void logClick(HWND window, LPARAM lParam) {
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(window, &point);
    fixture::log(L"click " + std::to_wstring(point.x) + L" " + std::to_wstring(point.y));
    RECT frame{};
    GetWindowRect(g_main, &frame);
    fixture::log(L"click96 " + std::to_wstring(unscaled(g_main, point.x - frame.left)) + L" " +
                 std::to_wstring(unscaled(g_main, point.y - frame.top)) + L" from the bottom right " +
                 std::to_wstring(unscaled(g_main, frame.right - point.x)) + L" " +
                 std::to_wstring(unscaled(g_main, frame.bottom - point.y)));
}

// Ctrl+C as the quote program copies: the selected text, its paragraphs ending "\r\n", put
// on the clipboard at once; with nothing selected (the page changed since the select-all)
// the clipboard stays as it was.
void copySelection(HWND view) {
    CHARRANGE range{};
    SendMessageW(view, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    if (range.cpMax <= range.cpMin)
        return;
    std::wstring selected(static_cast<std::size_t>(range.cpMax - range.cpMin) + 1, L'\0');
    selected.resize(static_cast<std::size_t>(
        SendMessageW(view, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(selected.data()))));
    std::wstring text;
    for (std::size_t i = 0; i < selected.size(); ++i) {
        text += selected[i];
        if (selected[i] == L'\r' && (i + 1 >= selected.size() || selected[i + 1] != L'\n'))
            text += L'\n';
    }
    if (!OpenClipboard(view))
        return;
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        std::memcpy(GlobalLock(memory), text.c_str(), bytes);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory))
            GlobalFree(memory);
    }
    CloseClipboard();
}

LRESULT CALLBACK reportProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COPY:
            copySelection(window);
            return 0;
        case WM_KEYDOWN:
            if (wParam == 'C' && controlDown()) {
                copySelection(window);
                return 0;
            }
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
    // Laid out at each monitor's scaling, as the system shows the real program.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
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
    g_main = CreateWindowExW(0, kMainClass, fixture::kQuoteTitle, WS_OVERLAPPEDWINDOW, 40, 40, 10, 10,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowPos(g_main, nullptr, 0, 0, scaled(g_main, 760), scaled(g_main, 560), SWP_NOMOVE | SWP_NOZORDER);
    g_report = CreateWindowExW(0, L"RICHEDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0, 0,
                               10, 10, g_main, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(g_report, EM_SETEVENTMASK, 0, 0);
    SendMessageW(g_report, EM_EXLIMITTEXT, 0, 4 * 1024 * 1024);
    createCodeInput();
    ShowWindow(g_main, show);
    RECT client{};
    GetClientRect(g_main, &client);
    MoveWindow(g_report, 0, 0, client.right, client.bottom, TRUE);
    fixture::log(L"dpi " + std::to_wstring(GetDpiForWindow(g_main)));

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    fixture::log(L"end");
    OleUninitialize();
    return 0;
}
