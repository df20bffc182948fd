// Drives the fixture quote program and chat window through the program's own window
// automation (TStockWinInfo, FindTopWindow) on the Win32 desktop, in the order and with
// the keys and waits the program uses, and checks every result: one PASS, FAIL or SKIP
// line per check, exit status 1 when any check failed. Runs under Wine here and on
// Windows as it is.
//
//   quarrow-wine-check                      the desktop and the automation
//   quarrow-wine-check --scaling DPI        the clicks at a screen scaling of DPI
//   quarrow-wine-check --window EXE HOME BMP
//                                           the desktop program EXE on the program folder
//                                           HOME: its time to its window, a screenshot of
//                                           the window in BMP, and its close

#include "FixtureData.h"
#include "FixtureLog.h"
#include "automation/AlarmPlayer.h"
#include "automation/StockWindows.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Sound.h"
#include "platform/win32/Win32System.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace quarrow;

namespace {

int g_failures = 0;

std::string utf8(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), bytes, nullptr,
                        nullptr);
    return out;
}

std::wstring wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

std::u16string u16(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}

void check(bool ok, const char* name, const std::string& detail = {}) {
    if (ok) {
        std::printf("PASS %s\n", name);
    } else {
        ++g_failures;
        std::printf("FAIL %s%s%s\n", name, detail.empty() ? "" : ": ", detail.c_str());
    }
    std::fflush(stdout);
}

void skip(const char* name, const std::string& reason) {
    std::printf("SKIP %s: %s\n", name, reason.c_str());
    std::fflush(stdout);
}

class RealSleeper final : public Sleeper {
public:
    void sleep(int delay_ms) override { Sleep(static_cast<DWORD>(delay_ms)); }
};

class MessagePump final : public EventPump {
public:
    void processEvents() override {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
};

MessagePump g_pump;

// Pumps our messages until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int timeout_ms) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    for (;;) {
        g_pump.processEvents();
        if (condition())
            return true;
        if (GetTickCount64() > deadline)
            return false;
        Sleep(20);
    }
}

std::wstring programFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

// Starts a fixture in its own working folder, with a normal window.
bool start(const std::wstring& executable, const std::wstring& folder, PROCESS_INFORMATION* process) {
    CreateDirectoryW(folder.c_str(), nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    std::wstring commandLine = L"\"" + executable + L"\"";
    return CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, process) != FALSE;
}

void stop(PROCESS_INFORMATION& process, HWND window) {
    if (window)
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

std::vector<std::wstring> logLines(const std::wstring& file) {
    std::vector<std::wstring> lines;
    const HANDLE in = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return lines;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(in, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(in);
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find(L'\n', begin)) != std::wstring::npos; begin = end + 1)
        lines.push_back(text.substr(begin, end - begin));
    return lines;
}

bool logHas(const std::wstring& file, const std::wstring& line) {
    const auto lines = logLines(file);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Line ends as a text box keeps them: the rich edit keeps paragraphs, not their \r\n.
std::wstring plainLines(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'\r'), text.end());
    while (!text.empty() && text.back() == L'\n')
        text.pop_back();
    return text;
}

struct Fixtures {
    std::wstring folder = programFolder();
    std::wstring quoteFolder = folder + L"\\quote";
    std::wstring chatFolder = folder + L"\\chat";
    std::wstring quoteLog = quoteFolder + L"\\" + fixture::kQuoteLog;
    std::wstring chatLog = chatFolder + L"\\" + fixture::kChatLog;
};

// One copy attempt as the fetch makes it: F10 when asked (and its wait), then select-all
// and copy with the clipboard checked 50 ms apart, three rounds at most.
std::optional<std::u16string> copyPage(Desktop& desktop, TStockWinInfo& quote, bool pressF10) {
    if (pressF10) {
        quote.Press_Key(VirtualKey::F10);
        Sleep(250);
    }
    for (int step = 0; step < 10; ++step) {
        if (step % 4 == 0) {
            quote.Press_Ctrl_Key('A');
            g_pump.processEvents();
            continue;
        }
        if (step % 4 == 1)
            quote.Press_Ctrl_Key('C');
        g_pump.processEvents();
        Sleep(50);
        if (auto text = desktop.clipboardText())
            return text;
    }
    return std::nullopt;
}

// Types the code into the quote window and presses Enter in the code-input window it opens.
bool selectStock(const WindowServices& services, TStockWinInfo& quote, const std::u16string& code) {
    if (!quote.SelectMain())
        return false;
    quote.Press_Keys(code);
    Sleep(50);
    TStockWinInfo codeInput(services, u"Tdx", u"", u"Edit");
    if (!codeInput.SelectMain())
        return false;
    codeInput.Press_Enter();
    Sleep(200);
    return codeInput.GetChildWindow() != kNoWindow;
}

// Whether one of the page's first lines names the stock: the quote program keeps showing the
// stock before it until the new page has loaded, so a first copy may be the old page.
bool pageNamesStock(const std::u16string& page, const std::u16string& code) {
    std::size_t start = 0;
    for (int line = 0; line < 4 && start < page.size(); ++line) {
        const std::size_t end = std::min(page.find(u'\n', start), page.size());
        if (page.substr(start, end - start).find(code) != std::u16string::npos)
            return true;
        start = end + 1;
    }
    return false;
}

// Copies the page as the fetch does: again and again until it is the stock's own page, for
// at most five seconds.
std::u16string fetch(const WindowServices& services, TStockWinInfo& quote, const std::u16string& code,
                     bool pressF10) {
    if (!quote.SelectMain())
        return u"(quote window not selectable)";
    std::u16string page = u"(nothing copied)";
    const DWORD start = GetTickCount();
    do {
        services.desktop.clearClipboard();
        if (auto text = copyPage(services.desktop, quote, pressF10)) {
            page = *text;
            if (pageNamesStock(page, code))
                break;
        }
        pressF10 = false;
        Sleep(100);
    } while (GetTickCount() - start < 5000);
    return page;
}

// The alerts of one side of the fixture's monitor (0 selling, 1 buying) once `count` of
// them have come in, newest first, as the alert list shows them.
std::vector<std::vector<std::u16string>> expectedRows(int side, std::size_t count) {
    std::vector<std::vector<std::u16string>> rows;
    for (int number = static_cast<int>(count) - 1; number >= 0; --number) {
        std::vector<std::u16string> cells;
        for (const std::wstring& cell : fixture::monitorRow(side, number))
            cells.push_back(u16(cell));
        rows.push_back(cells);
    }
    return rows;
}

// The relay's click on the monitor's category list at a row's position, which the
// program knows in the quote program's pixels at 96 dpi.
void clickCategory(TStockWinInfo& categories, int y) {
    categories.RefreshWinRects();
    categories.MouseClickOnChild(categories.ChildPixels(35), categories.ChildPixels(y));
    Sleep(100);
    g_pump.processEvents();
}

void checkMonitor(const WindowServices& services, TStockWinInfo& quote, const Fixtures& paths) {
    Desktop& desktop = services.desktop;
    check(quote.SelectMain(), "monitor: quote window selected for Ctrl+J");
    quote.Press_Ctrl_Key('J');
    Sleep(500);
    TStockWinInfo alerts(services, u16(fixture::kMonitorTitle), u"List1", u"", 2);
    TStockWinInfo categories(services, u16(fixture::kMonitorTitle), u"List1", u"");
    check(alerts.GetMainWindow() != kNoWindow, "monitor: Ctrl+J opens the 主力监控总览 window");
    check(categories.GetChildWindow() != kNoWindow && alerts.GetChildWindow() != kNoWindow &&
              categories.GetChildWindow() != alerts.GetChildWindow(),
          "monitor: child index 0 and 2 find the category list and the alert list, both List1");
    const auto selling = desktop.readListView(alerts.GetChildWindow(), kAllRows);
    check(selling == expectedRows(0, fixture::kMonitorStartRows),
          "monitor: the selling alerts read cell by cell, newest first",
          "read " + std::to_string(selling.size()) + " rows");
    // The relay switches the lists with its clicks; each time the alerts that came in
    // meanwhile stand on top of those read before.
    const struct {
        int y;
        int side;
        const char* name;
    } clicks[] = {
        {130, 1,
         "monitor: a click at (35, 130) of the category list shows the buying alerts, new ones on top"},
        {147, 0, "monitor: a click at (35, 147) shows the selling alerts again, new ones on top"},
    };
    const std::size_t shown = fixture::kMonitorStartRows + fixture::kMonitorRowsPerClick;
    for (const auto& click : clicks) {
        clickCategory(categories, click.y);
        const auto rows = desktop.readListView(alerts.GetChildWindow(), kAllRows);
        check(logHas(paths.quoteLog, L"list click 35 " + std::to_wstring(click.y)) &&
                  rows == expectedRows(click.side, shown),
              click.name, "read " + std::to_string(rows.size()) + " rows");
    }
    // The relay reads only the rows that came in: the count, then the first rows alone.
    const auto fresh = desktop.readListView(alerts.GetChildWindow(), fixture::kMonitorRowsPerClick);
    const auto all = expectedRows(0, shown);
    check(desktop.listViewRowCount(alerts.GetChildWindow()) == shown &&
              fresh.size() == fixture::kMonitorRowsPerClick &&
              std::equal(fresh.begin(), fresh.end(), all.begin()),
          "monitor: row count, and a read of the newest rows alone",
          std::to_string(fresh.size()) + " rows read");
    check(desktop.readListView(quote.GetChildWindow(), kAllRows).empty(),
          "list-view read of a rich edit gives no rows");
    check(desktop.readListView(kNoWindow, kAllRows).empty(), "list-view read of no window gives no rows");
    if (alerts.GetMainWindow() != kNoWindow)
        PostMessageW(reinterpret_cast<HWND>(alerts.GetMainWindow()), WM_CLOSE, 0, 0);
}

void checkChat(const WindowServices& services, const Fixtures& paths) {
    Desktop& desktop = services.desktop;
    PROCESS_INFORMATION process{};
    check(start(paths.folder + L"\\QQ.exe", paths.chatFolder, &process), "chat: fixture started");
    waitFor([&] { return FindWindowW(nullptr, fixture::kChatTitle) != nullptr; }, 10000);
    TStockWinInfo chat(services, u16(fixture::kChatNickname), u"", u"");
    check(chat.GetMainWindow() != kNoWindow, "chat: window found by its nickname");
    check(desktop.processName(desktop.windowProcessId(chat.GetMainWindow()), 100) == u"QQ.exe",
          "process name of the chat window is QQ.exe");
    // A batch as the relay sends it: each line followed by a line break.
    const std::u16string batch =
        u"/qiang 10:23东方不败600610(23000)>主力抛售:\t10.50/12345\r\n"
        u"/ruo 10:24浦发银行600000(*100)<主力买入:\t8.10/9000\r\n";
    const bool selected = chat.SelectMain();
    check(selected, "chat: window selected");
    if (selected) {
        Sleep(200);
        chat.Past_Keys(batch);
        Sleep(250);
        chat.Press_Enter();
    }
    const std::wstring sent = fixture::escaped(wide(batch));
    check(waitFor([&] { return logHas(paths.chatLog, L"paste " + sent); }, 3000),
          "chat: the batch is pasted with Ctrl+V");
    check(waitFor([&] { return logHas(paths.chatLog, L"send " + sent); }, 3000),
          "chat: Enter sends the whole batch as one message");
    stop(process, reinterpret_cast<HWND>(chat.GetMainWindow()));
}

void checkClipboard(Desktop& desktop) {
    check(desktop.clearClipboard() == 0 && !desktop.clipboardText(), "clipboard: cleared holds no text");
    const std::u16string text = u"☆龙虎榜单☆ 600610\r\n第二行";
    check(desktop.setClipboardText(text) && desktop.clipboardText() == text,
          "clipboard: Unicode text read back as put");
    // A program that puts only 8-bit text there, in the system's ANSI code page.
    const char* gbk = "\xC1\xFA\xBB\xA2\xB0\xF1";  // 龙虎榜 in code page 936
    bool put = false;
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 7)) {
            std::memcpy(GlobalLock(memory), gbk, 7);
            GlobalUnlock(memory);
            put = SetClipboardData(CF_TEXT, memory) != nullptr;
        }
        CloseClipboard();
    }
    if (GetACP() != 936)
        skip("clipboard: ANSI text in the Chinese code page", "the system code page is not 936");
    else
        check(put && desktop.clipboardText() == u"龙虎榜", "clipboard: ANSI text in the Chinese code page");
}

void checkHotKey() {
    const HWND window = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    GlobalHotKey hotKey(window, u"DIROHotkeyX", MOD_ALT | MOD_CONTROL, 0x58);
    check(hotKey.registered() && hotKey.id() != 0, "hot key: Ctrl+Alt+X registered under its global atom");
    {
        GlobalHotKey secondCopy(window, u"DIROHotkeyX", MOD_ALT | MOD_CONTROL, 0x58);
        check(!secondCopy.registered(), "hot key: a second copy finds the atom taken and registers none");
    }
    Win32Desktop keys;
    keys.keyDown(VirtualKey::Control);
    keys.keyDown(0x12);  // Alt
    keys.keyDown(0x58);
    keys.keyUp(0x58);
    keys.keyUp(0x12);
    keys.keyUp(VirtualKey::Control);
    bool heard = false;
    const ULONGLONG deadline = GetTickCount64() + 2000;
    while (!heard && GetTickCount64() < deadline) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_HOTKEY && static_cast<int>(message.wParam) == hotKey.id())
                heard = true;
            DispatchMessageW(&message);
        }
        Sleep(20);
    }
    check(heard, "hot key: Ctrl+Alt+X reaches the window with the atom as its id");
    DestroyWindow(window);
}

void checkRegistry() {
    const wchar_t* path = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\WinRAR.exe";
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
    check(winRarPathFromRegistry().empty(), "registry: no WinRAR key gives no folder");
    HKEY key = nullptr;
    const std::wstring folder = L"C:\\Program Files\\WinRAR";
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        skip("registry: WinRAR folder read", "cannot write the key to read it back");
        return;
    }
    RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    check(winRarPathFromRegistry() == u16(folder), "registry: WinRAR folder read from its App Paths key");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
}

// Three seconds of silence as MPEG-1 layer III: 125 frames of 1152 samples at 48 kHz, mono,
// 128 kbit/s (384 bytes a frame), each a header with empty side information and no data.
void writeSilentMp3(const std::wstring& path) {
    std::string frames;
    for (int frame = 0; frame < 125; ++frame) {
        std::string bytes(384, '\0');
        bytes[0] = '\xFF';
        bytes[1] = '\xFB';
        bytes[2] = '\x94';
        bytes[3] = '\xC4';
        frames += bytes;
    }
    const HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(out, frames.data(), static_cast<DWORD>(frames.size()), &written, nullptr);
    CloseHandle(out);
}

void checkSound(const Fixtures& paths) {
    Win32Sound sound;
    try {
        TcmxMP3 missing(sound, u16(paths.folder + L"\\no-such-alarm.mp3"));
        check(false, "sound: a missing file raises the device's error", "no error raised");
    } catch (const eMciDeviceError& error) {
        const std::string prefix = std::to_string(error.code()) + " - ";
        check(error.code() != 0 && std::string(error.what()).rfind(prefix, 0) == 0 &&
                  std::string(error.what()).size() > prefix.size(),
              "sound: a missing file raises the device's error with its words", error.what());
    }
    const std::wstring alarm = paths.folder + L"\\alarm.mp3";
    writeSilentMp3(alarm);
    std::uint16_t device = 0;
    const int opened = sound.open(u16(alarm), &device);
    if (opened != 0) {
        skip("sound: length of a three-second alarm",
             "the media device cannot open sounds here: " + utf8(wide(sound.errorText(opened))));
    } else {
        sound.close(device);
        TcmxMP3 player(sound, u16(alarm));
        check(player.LengthInMillSeconds() == 3000, "sound: length of a three-second alarm",
              std::to_string(player.LengthInMillSeconds()) + " ms");
    }
    if (!sound.openMidi()) {
        skip("sound: MIDI beep", "no MIDI output here");
    } else {
        sound.sendMidi(0x403C90);
        sound.closeMidi();
        check(true, "sound: MIDI beep sent to the default output");
    }
}

bool logHasEnding(const std::wstring& file, const std::wstring& ending) {
    for (const std::wstring& line : logLines(file)) {
        if (line.size() >= ending.size() &&
            line.compare(line.size() - ending.size(), ending.size(), ending) == 0)
            return true;
    }
    return false;
}

// Starts the fixture quote program in the quote folder and waits until its main window
// shows. The fixture makes its main window before the report view inside it and shows it
// once both are there: a discovery before that would find no report view.
void startQuoteProgram(const Fixtures& paths, const char* name, PROCESS_INFORMATION* process) {
    check(start(paths.folder + L"\\TdxW.exe", paths.quoteFolder, process), name);
    waitFor(
        [] {
            const HWND window = FindWindowW(nullptr, fixture::kQuoteTitle);
            return window != nullptr && IsWindowVisible(window);
        },
        10000);
}

// On a screen scaled beyond 100% (a prefix whose LogPixels is 144): the clicks whose
// positions the program knows in the quote program's pixels at 96 dpi land there.
int scalingChecks(int expectedDpi) {
    const Fixtures paths;
    Win32Desktop desktop;
    RealSleeper sleeper;
    const WindowServices services{desktop, sleeper, g_pump};
    PROCESS_INFORMATION quoteProcess{};
    startQuoteProgram(paths, "scaling: quote program started", &quoteProcess);
    TStockWinInfo quote(services, fixture::kQuoteTitleMark, u"", u"RICHEDIT");
    const int dpi = desktop.windowDpi(quote.GetMainWindow());
    check(dpi == expectedDpi,
          ("scaling: the quote window shows at " + std::to_string(expectedDpi) + " dpi").c_str(),
          std::to_string(dpi) + " dpi");
    // The clicks that open the monitor: measured from the window's bottom right.
    const WindowRect r = quote.RefreshWinRect();
    quote.MouseClickOnMain(r.right - r.left - quote.MainPixels(40), r.bottom - r.top - quote.MainPixels(33));
    check(waitFor([&] { return logHasEnding(paths.quoteLog, L"from the bottom right 40 33"); }, 2000),
          "scaling: a click 40 and 33 of the quote program's pixels from its window's bottom right lands "
          "there");
    check(quote.SelectMain(), "scaling: quote window selected for Ctrl+J");
    quote.Press_Ctrl_Key('J');
    Sleep(500);
    TStockWinInfo alerts(services, u16(fixture::kMonitorTitle), u"List1", u"", 2);
    TStockWinInfo categories(services, u16(fixture::kMonitorTitle), u"List1", u"");
    clickCategory(categories, 130);
    const auto rows = desktop.readListView(alerts.GetChildWindow(), kAllRows);
    check(logHas(paths.quoteLog, L"list click 35 130") &&
              rows == expectedRows(1, fixture::kMonitorStartRows + fixture::kMonitorRowsPerClick),
          "scaling: the click at (35, 130) of the category list lands on its buying row");
    if (alerts.GetMainWindow() != kNoWindow)
        PostMessageW(reinterpret_cast<HWND>(alerts.GetMainWindow()), WM_CLOSE, 0, 0);
    stop(quoteProcess, reinterpret_cast<HWND>(quote.GetMainWindow()));
    std::printf("%s: %d check(s) failed\n", g_failures == 0 ? "passed" : "FAILED", g_failures);
    return g_failures == 0 ? 0 : 1;
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findShownWindow(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<WindowSearch*>(search);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t title[64]{};
    GetWindowTextW(window, title, 64);
    if (processId != s->processId || !IsWindowVisible(window) || std::wstring(title) != L"Quarrow")
        return TRUE;
    s->found = window;
    return FALSE;
}

// The window as the screen shows it, as a 24-bit BMP file.
bool saveScreenshot(HWND window, const std::wstring& path) {
    RECT rect{};
    if (!GetWindowRect(window, &rect))
        return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    SelectObject(memory, previous);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD rowBytes = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    std::string pixels(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height), '\0');
    const bool read = copied && GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                                          reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!read)
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    const HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(out, &file, sizeof(file), &written, nullptr) && written == sizeof(file);
    ok = ok && WriteFile(out, &info, sizeof(info), &written, nullptr) && written == sizeof(info);
    ok = ok && WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr) &&
         written == pixels.size();
    return CloseHandle(out) && ok;
}

// quarrow.exe on the display: how long from its start until its main window shows, a
// screenshot of the window, and a close that ends the program in good order.
int windowChecks(const std::wstring& program, const std::wstring& home, const std::wstring& screenshot) {
    std::wstring commandLine = L"\"" + program + L"\" --home \"" + home + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const ULONGLONG started = GetTickCount64();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        check(false, "quarrow.exe: started", "error " + std::to_string(GetLastError()));
        return 1;
    }
    WindowSearch search{process.dwProcessId, nullptr};
    const bool shown = waitFor(
        [&] {
            EnumWindows(findShownWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        60000);
    const ULONGLONG elapsed = GetTickCount64() - started;
    check(shown, "quarrow.exe: its main window Quarrow shows on the display");
    if (shown) {
        std::printf("quarrow.exe: %llu ms from its start to its window\n", elapsed);
        // Time to paint and to look for the quote program's windows.
        waitFor([] { return false; }, 3000);
        check(saveScreenshot(search.found, screenshot), "quarrow.exe: a screenshot of its window is kept",
              utf8(screenshot));
        PostMessageW(search.found, WM_CLOSE, 0, 0);
    }
    DWORD status = STILL_ACTIVE;
    const bool ended = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    GetExitCodeProcess(process.hProcess, &status);
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    check(ended && status == 0, "quarrow.exe: closing the window ends it in good order (exit status 0)",
          ended ? "exit status " + std::to_string(status) : std::string("still running after 20 s"));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("%s: %d check(s) failed\n", g_failures == 0 ? "passed" : "FAILED", g_failures);
    return g_failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"--scaling")
        return scalingChecks(_wtoi(argv[2]));
    if (argc == 5 && std::wstring(argv[1]) == L"--window")
        return windowChecks(argv[2], argv[3], argv[4]);
    const Fixtures paths;
    Win32Desktop desktop;
    RealSleeper sleeper;
    const WindowServices services{desktop, sleeper, g_pump};

    struct Heard {
        WindowEvent event;
        WindowHandle window;
        std::u16string title;
    };
    std::vector<Heard> heard;
    desktop.setWindowListener([&](WindowEvent event, WindowHandle window) {
        heard.push_back({event, window, desktop.windowTitle(window, 250)});
    });
    const char* route = desktop.notificationRoute() == Win32Desktop::NotificationRoute::Shell ? "the shell"
                        : desktop.notificationRoute() == Win32Desktop::NotificationRoute::HookLibrary
                            ? "the shell-hook library"
                            : "nothing";
    std::printf("window notifications through %s\n", route);
    check(desktop.notificationRoute() != Win32Desktop::NotificationRoute::None,
          "shell: notifications of windows created and destroyed are set up");

    checkClipboard(desktop);
    checkRegistry();
    checkHotKey();
    checkSound(paths);

    PROCESS_INFORMATION quoteProcess{};
    startQuoteProgram(paths, "launch: quote program started", &quoteProcess);
    check(waitFor([&] { return logHas(paths.quoteLog, L"start " + paths.quoteFolder); }, 3000),
          "launch: the quote program runs in its working folder");

    TStockWinInfo quote(services, fixture::kQuoteTitleMark, u"", u"RICHEDIT");
    const WindowHandle main = quote.GetMainWindow();
    check(main != kNoWindow && main == FindTopWindow(desktop, fixture::kQuoteTitleMark),
          "discovery: FindTopWindow finds the quote window by part of its title");
    check(quote.GetChildWindow() != kNoWindow &&
              desktop.windowClass(quote.GetChildWindow(), 255) == u"RICHEDIT",
          "discovery: the report view found by its class RICHEDIT");
    check(TStockWinInfo(services, fixture::kQuoteTitleMark, u"", u"RichEdit").GetChildWindow() == kNoWindow,
          "discovery: a class name differing in case finds nothing");
    check(FindTopWindow(desktop, u"没有这个窗口") == kNoWindow,
          "discovery: a title nobody has gives no window after the full walk");
    check(waitFor(
              [&] {
                  return std::any_of(heard.begin(), heard.end(), [&](const Heard& h) {
                      return h.event == WindowEvent::Created && h.window == main;
                  });
              },
              3000),
          "shell: the quote window's creation is announced");
    check(desktop.processName(desktop.windowProcessId(main), 100) == u"TdxW.exe",
          "process name of the quote window is TdxW.exe");
    check(desktop.processName(0, 100).empty(), "process name of no process is empty");

    const bool selected = quote.SelectMain();
    check(selected && desktop.foregroundWindow() == main, "select: the quote window comes to the foreground");

    // A fetch as the button starts it: type the code, Enter in the code input, F10, copy.
    check(selectStock(services, quote, u"600610"), "fetch: the digits open the Tdx code input with its Edit");
    check(waitFor([&] { return logHas(paths.quoteLog, L"code 600610"); }, 2000),
          "fetch: Enter in the code input makes 600610 the current stock");
    const std::u16string page = fetch(services, quote, u"600610", true);
    check(logHas(paths.quoteLog, L"F10 600610"), "fetch: F10 opens the information page");
    check(plainLines(wide(page)) == plainLines(fixture::reportPage(L"600610")),
          "fetch: select-all and copy bring the page's text, title mark first",
          utf8(wide(page.substr(0, 40))));

    // The next stock typed ahead while the current one is stored; its fetch presses no F10.
    check(selectStock(services, quote, u"000002"), "typed ahead: the next code goes into the code input");
    const std::u16string next = fetch(services, quote, u"000002", false);
    check(plainLines(wide(next)) == plainLines(fixture::reportPage(L"000002")) &&
              !logHas(paths.quoteLog, L"F10 000002"),
          "typed ahead: the next fetch copies the next stock's page without F10",
          utf8(wide(next.substr(0, 40))));

    const WindowRect rect = quote.RefreshWinRect();
    quote.MouseClickOnMain(100, 120);
    check(waitFor(
              [&] {
                  return logHas(paths.quoteLog, L"click " + std::to_wstring(rect.left + 100) + L" " +
                                                    std::to_wstring(rect.top + 120));
              },
              2000),
          "click: lands at the offset from the window's top left");

    checkMonitor(services, quote, paths);
    checkChat(services, paths);

    const std::size_t heardBefore = heard.size();
    const DWORD quoteId = desktop.windowProcessId(main);
    stop(quoteProcess, reinterpret_cast<HWND>(main));
    check(waitFor(
              [&] {
                  return std::any_of(heard.begin() + static_cast<std::ptrdiff_t>(heardBefore), heard.end(),
                                     [&](const Heard& h) {
                                         return h.event == WindowEvent::Destroyed && h.window == main &&
                                                h.title.rfind(fixture::kQuoteTitleMark, 0) == 0;
                                     });
              },
              3000),
          "shell: the quote window's end is announced with its title");
    check(desktop.processName(quoteId, 100).empty(), "process name of an ended process is empty");
    desktop.setWindowListener({});

    std::printf("%s: %d check(s) failed\n", g_failures == 0 ? "passed" : "FAILED", g_failures);
    return g_failures == 0 ? 0 : 1;
}
