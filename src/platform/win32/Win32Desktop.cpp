#include "platform/win32/Win32Desktop.h"

#include "platform/win32/ShellHookLibrary.h"

// windows.h first: the other system headers build on it.
#include <windows.h>

#include <commctrl.h>
#include <shellscalingapi.h>

#include <cstring>
#include <optional>
#include <vector>

namespace quarrow {

namespace {

constexpr wchar_t kReceiverClass[] = QUARROW_SHELL_RECEIVER_CLASS;
// A list view that does not answer within this time is taken as hung: the read gives up
// rather than hang the program with it.
constexpr UINT kListViewTimeout_ms = 2000;
// Each cell's text is asked for with a buffer of 512 characters and read back as at most
// 256 characters.
constexpr int kCellBufferChars = 512;
constexpr std::size_t kCellReadBytes = 512;
constexpr SIZE_T kRemoteBlockBytes = 4096;

HWND hwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

WindowHandle handle(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}

std::u16string fromWide(const wchar_t* text, std::size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

std::u16string fromCodePage(const char* text, UINT codePage) {
    const int length = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (length <= 1)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return fromWide(wide.data(), wide.size());
}

BOOL CALLBACK collectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(handle(child));
    return TRUE;
}

LRESULT CALLBACK receiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* desktop = reinterpret_cast<Win32Desktop*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (desktop && desktop->shellHookMessage() != 0 && message == desktop->shellHookMessage()) {
        desktop->notification(static_cast<unsigned>(wParam), handle(reinterpret_cast<HWND>(lParam)));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The process-status library, loaded on first use. A system without it gives no process
// names; the next call tries again.
class Psapi {
public:
    using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
    using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
    using GetModuleBaseNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);

    bool load() {
        if (m_library)
            return true;
        m_library = LoadLibraryW(L"PSAPI.dll");
        if (!m_library)
            return false;
        m_enumProcesses = reinterpret_cast<EnumProcessesFn>(
            reinterpret_cast<void*>(GetProcAddress(m_library, "EnumProcesses")));
        m_enumModules = reinterpret_cast<EnumProcessModulesFn>(
            reinterpret_cast<void*>(GetProcAddress(m_library, "EnumProcessModules")));
        m_baseName = reinterpret_cast<GetModuleBaseNameFn>(
            reinterpret_cast<void*>(GetProcAddress(m_library, "GetModuleBaseNameW")));
        return true;
    }

    BOOL enumProcessModules(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* needed) {
        return load() && m_enumModules ? m_enumModules(process, modules, bytes, needed) : FALSE;
    }
    DWORD getModuleBaseName(HANDLE process, HMODULE module, LPWSTR name, DWORD size) {
        return load() && m_baseName ? m_baseName(process, module, name, size) : 0;
    }

private:
    HMODULE m_library = nullptr;
    EnumProcessesFn m_enumProcesses = nullptr;
    EnumProcessModulesFn m_enumModules = nullptr;
    GetModuleBaseNameFn m_baseName = nullptr;
};

Psapi& psapi() {
    static Psapi binding;
    return binding;
}

// The list-view item request as a 32-bit process lays it out: 60 bytes, the cell's text
// following right after it. The quote program is a 32-bit program while the desktop
// program is 64-bit, so the request is written in the reader's layout only for a target of
// the same width.
struct ListViewItem32 {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    std::uint32_t pszText;
    int cchTextMax;
    int iImage;
    std::uint32_t lParam;
    int iIndent;
    int iGroupId;
    UINT cColumns;
    std::uint32_t puColumns;
    std::uint32_t piColFmt;
    int iGroup;
};
static_assert(sizeof(ListViewItem32) == 60);

bool isThirtyTwoBit(HANDLE process) {
    if constexpr (sizeof(void*) == 4)
        return true;
    BOOL wow = FALSE;
    return IsWow64Process(process, &wow) && wow;
}

// The block of memory reserved in another process, released with the process handle in
// every case.
class RemoteBlock {
public:
    explicit RemoteBlock(DWORD processId)
        : m_process(OpenProcess(
              PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_LIMITED_INFORMATION,
              FALSE, processId)) {
        if (m_process)
            m_block = VirtualAllocEx(m_process, nullptr, kRemoteBlockBytes, MEM_RESERVE | MEM_COMMIT,
                                     PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (m_block)
            VirtualFreeEx(m_process, m_block, 0, MEM_RELEASE);
        if (m_process)
            CloseHandle(m_process);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool valid() const { return m_block != nullptr; }
    HANDLE process() const { return m_process; }
    char* at(std::size_t offset) const { return static_cast<char*>(m_block) + offset; }
    bool write(std::size_t offset, const void* data, std::size_t bytes) const {
        SIZE_T written = 0;
        return WriteProcessMemory(m_process, at(offset), data, bytes, &written) && written == bytes;
    }
    bool read(std::size_t offset, void* data, std::size_t bytes) const {
        SIZE_T got = 0;
        return ReadProcessMemory(m_process, at(offset), data, bytes, &got) && got == bytes;
    }

private:
    HANDLE m_process;
    void* m_block = nullptr;
};

bool askListView(HWND listView, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(listView, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             kListViewTimeout_ms, &answer))
        return false;
    *result = static_cast<LRESULT>(answer);
    return true;
}

}  // namespace

Win32Desktop::Win32Desktop() = default;

Win32Desktop::~Win32Desktop() {
    stopNotifications();
    if (m_receiver)
        DestroyWindow(static_cast<HWND>(m_receiver));
}

void Win32Desktop::ensureReceiver() {
    if (m_receiver)
        return;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = receiverProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kReceiverClass;
    RegisterClassW(&windowClass);  // fails harmlessly when a second desktop registered it
    // A top-level window that is never shown: the shell sends its notifications only to
    // top-level windows, and the clipboard needs an owner window for the text we put on it.
    const HWND receiver = CreateWindowExW(WS_EX_TOOLWINDOW, kReceiverClass, L"", WS_POPUP, 0, 0, 0, 0,
                                          nullptr, nullptr, instance, nullptr);
    SetWindowLongPtrW(receiver, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_receiver = receiver;
}

WindowHandle Win32Desktop::foregroundWindow() {
    return handle(GetForegroundWindow());
}

WindowHandle Win32Desktop::windowBelow(WindowHandle window) {
    return handle(GetWindow(hwnd(window), GW_HWNDNEXT));
}

WindowHandle Win32Desktop::topWindow() {
    return handle(GetTopWindow(nullptr));
}

void Win32Desktop::remember(WindowHandle window, const std::u16string& title) {
    if (!title.empty() && GetAncestor(hwnd(window), GA_ROOT) == hwnd(window))
        m_titles[window] = title;
}

std::u16string Win32Desktop::windowTitle(WindowHandle window, std::size_t maxChars) {
    std::wstring buffer(maxChars + 1, L'\0');
    const int length = GetWindowTextW(hwnd(window), buffer.data(), static_cast<int>(buffer.size()));
    if (length > 0) {
        std::u16string title = fromWide(buffer.data(), static_cast<std::size_t>(length));
        remember(window, title);
        return title;
    }
    if (IsWindow(hwnd(window)))
        return {};
    const auto known = m_titles.find(window);
    if (known == m_titles.end())
        return {};
    return known->second.substr(0, maxChars);
}

std::u16string Win32Desktop::windowClass(WindowHandle window, std::size_t maxChars) {
    std::wstring buffer(maxChars + 1, L'\0');
    const int length = GetClassNameW(hwnd(window), buffer.data(), static_cast<int>(buffer.size()));
    return length > 0 ? fromWide(buffer.data(), static_cast<std::size_t>(length)) : std::u16string();
}

std::vector<WindowHandle> Win32Desktop::descendants(WindowHandle window) {
    std::vector<WindowHandle> result;
    if (!IsWindow(hwnd(window)))
        return result;
    // The system walks every level depth-first, each parent before its children.
    EnumChildWindows(hwnd(window), collectChild, reinterpret_cast<LPARAM>(&result));
    return result;
}

std::optional<WindowRect> Win32Desktop::windowRect(WindowHandle window) {
    RECT rect{};
    if (!IsWindow(hwnd(window)) || !GetWindowRect(hwnd(window), &rect))
        return std::nullopt;
    return WindowRect{rect.left, rect.top, rect.right, rect.bottom};
}

int Win32Desktop::windowDpi(WindowHandle window) {
    const HWND target = hwnd(window);
    if (!IsWindow(target))
        return kStandardDpi;
    // A program aware of each monitor's scaling lays its window out at the monitor's dots
    // per inch and says so. One that is not (most older programs, the quote program among
    // them) is stretched by the system to the monitor's scaling all the same, while it
    // still counts in 96 dpi or the system's: its monitor's figure is the one that holds.
    const DPI_AWARENESS awareness = GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(target));
    if (awareness == DPI_AWARENESS_PER_MONITOR_AWARE) {
        const UINT dpi = GetDpiForWindow(target);
        if (dpi != 0)
            return static_cast<int>(dpi);
    }
    UINT dpiX = 0;
    UINT dpiY = 0;
    const HMONITOR monitor = MonitorFromWindow(target, MONITOR_DEFAULTTONEAREST);
    if (monitor && SUCCEEDED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY)) && dpiX != 0)
        return static_cast<int>(dpiX);
    return static_cast<int>(GetDpiForSystem());
}

namespace {

// The integrity level of a process (its mandatory label's RID: medium for a user's
// programs, high for one run as administrator); nothing when it cannot be read.
std::optional<DWORD> integrityLevel(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return std::nullopt;
    std::optional<DWORD> level;
    DWORD size = 0;
    GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size > 0 && GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) {
        const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
        const DWORD count = *GetSidSubAuthorityCount(label->Label.Sid);
        if (count > 0)
            level = *GetSidSubAuthority(label->Label.Sid, count - 1);
    }
    CloseHandle(token);
    return level;
}

}  // namespace

bool Win32Desktop::inputReaches(WindowHandle window) {
    // Windows keeps a program from sending input to one of a higher integrity level (one
    // run as administrator when we are not), and it says nothing when it drops the input.
    // A level that cannot be read counts as no obstacle: we warn only when we know.
    DWORD processId = 0;
    if (!GetWindowThreadProcessId(hwnd(window), &processId) || processId == 0)
        return true;
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return true;
    const std::optional<DWORD> theirs = integrityLevel(process);
    CloseHandle(process);
    const std::optional<DWORD> ours = integrityLevel(GetCurrentProcess());
    return !theirs || !ours || *theirs <= *ours;
}

void Win32Desktop::restoreWindow(WindowHandle window) {
    // Only a minimised window is restored: a maximised quote program stays maximised, and
    // its click positions with it. Windows also brings a window to the foreground only
    // once it is no longer minimised, so this comes first.
    const HWND top = GetAncestor(hwnd(window), GA_ROOT);
    if (top && IsIconic(top))
        ShowWindow(top, SW_RESTORE);
}

void Win32Desktop::setForegroundWindow(WindowHandle window) {
    const HWND top = GetAncestor(hwnd(window), GA_ROOT);
    if (!top)
        return;
    const HWND current = GetForegroundWindow();
    if (current == top)
        return;
    // Windows lets a program take the foreground only while it is the foreground program
    // itself or shares the foreground thread's input. We are usually neither (the user
    // left us in the background, or the previous step made the quote program the
    // foreground), so we attach to the foreground thread's input for the moment of the
    // switch. Wine grants the foreground to anyone; this keeps to Windows' rule anyway.
    const DWORD ours = GetCurrentThreadId();
    const DWORD foregroundThread = current ? GetWindowThreadProcessId(current, nullptr) : 0;
    const bool attached =
        foregroundThread != 0 && foregroundThread != ours && AttachThreadInput(ours, foregroundThread, TRUE);
    SetForegroundWindow(top);
    BringWindowToTop(top);
    if (attached)
        AttachThreadInput(ours, foregroundThread, FALSE);
}

void Win32Desktop::setFocus(WindowHandle window) {
    if (!IsWindow(hwnd(window)))
        return;
    // The keyboard focus can be set only within the input of one's own thread: for another
    // program's window we share its thread's input while we set it (Windows ignores the
    // call otherwise; Wine does not check).
    const DWORD ours = GetCurrentThreadId();
    const DWORD target = GetWindowThreadProcessId(hwnd(window), nullptr);
    const bool attached = target != 0 && target != ours && AttachThreadInput(ours, target, TRUE);
    SetFocus(hwnd(window));
    if (attached)
        AttachThreadInput(ours, target, FALSE);
}

namespace {

void sendKey(std::uint8_t virtualKey, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof(INPUT));
}

}  // namespace

void Win32Desktop::keyDown(std::uint8_t virtualKey) {
    sendKey(virtualKey, 0);
}

void Win32Desktop::keyUp(std::uint8_t virtualKey) {
    sendKey(virtualKey, KEYEVENTF_KEYUP);
}

void Win32Desktop::setCursorPos(int x, int y) {
    SetCursorPos(x, y);
}

void Win32Desktop::leftClick() {
    INPUT inputs[2]{};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

int Win32Desktop::clearClipboard() {
    ensureReceiver();
    if (!OpenClipboard(static_cast<HWND>(m_receiver))) {
        const DWORD error = GetLastError();
        return error != 0 ? static_cast<int>(error) : -1;
    }
    const BOOL emptied = EmptyClipboard();
    const DWORD error = emptied ? 0 : GetLastError();
    CloseClipboard();
    return emptied ? 0 : (error != 0 ? static_cast<int>(error) : -1);
}

bool Win32Desktop::setClipboardText(const std::u16string& text) {
    ensureReceiver();
    // The clipboard takes the text only from an owner window: opened without one, the
    // emptied clipboard belongs to nobody and refuses data.
    if (!OpenClipboard(static_cast<HWND>(m_receiver)))
        return false;
    bool done = false;
    if (EmptyClipboard()) {
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (void* target = GlobalLock(memory)) {
                std::memcpy(target, text.c_str(), bytes);
                GlobalUnlock(memory);
                done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            }
            if (!done)
                GlobalFree(memory);  // the clipboard owns it only once it took it
        }
    }
    CloseClipboard();
    return done;
}

std::optional<std::u16string> Win32Desktop::clipboardText() {
    ensureReceiver();
    if (!OpenClipboard(static_cast<HWND>(m_receiver)))
        return std::nullopt;
    std::optional<std::u16string> text;
    if (IsClipboardFormatAvailable(CF_UNICODETEXT)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
                text = fromWide(chars, wcsnlen(chars, GlobalSize(data) / sizeof(wchar_t)));
                GlobalUnlock(data);
            }
        }
    } else {
        // Older programs put only 8-bit text there: the ANSI or the OEM code page's.
        for (const auto& [format, codePage] :
             {std::pair{CF_TEXT, UINT{CP_ACP}}, std::pair{CF_OEMTEXT, UINT{CP_OEMCP}}}) {
            if (!IsClipboardFormatAvailable(format))
                continue;
            if (HANDLE data = GetClipboardData(format)) {
                if (const auto* chars = static_cast<const char*>(GlobalLock(data))) {
                    const std::string bytes(chars, strnlen(chars, GlobalSize(data)));
                    text = fromCodePage(bytes.c_str(), codePage);
                    GlobalUnlock(data);
                }
            }
            break;
        }
    }
    CloseClipboard();
    return text;
}

std::uint32_t Win32Desktop::windowProcessId(WindowHandle window) {
    DWORD processId = 0;
    if (!GetWindowThreadProcessId(hwnd(window), &processId))
        return 0;
    return processId;
}

std::u16string Win32Desktop::processName(std::uint32_t processId, std::size_t maxChars) {
    if (processId == 0)
        return {};
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process)
        return {};
    std::u16string name;
    HMODULE module = nullptr;
    DWORD needed = 0;
    // The first module of a process is its executable.
    if (psapi().enumProcessModules(process, &module, sizeof(module), &needed)) {
        std::wstring buffer(maxChars + 1, L'\0');
        const DWORD length =
            psapi().getModuleBaseName(process, module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length > 0)
            name = fromWide(buffer.data(), std::min<std::size_t>(length, maxChars));
    }
    CloseHandle(process);
    return name;
}

void Win32Desktop::setWindowListener(WindowListener listener) {
    m_listener = std::move(listener);
    if (m_listener)
        startNotifications();
    else
        stopNotifications();
}

void Win32Desktop::startNotifications() {
    if (m_route != NotificationRoute::None)
        return;
    ensureReceiver();
    m_shellHookMessage = RegisterWindowMessageW(L"SHELLHOOK");
    const HWND receiver = static_cast<HWND>(m_receiver);
    if (RegisterShellHookWindow(receiver)) {
        m_route = NotificationRoute::Shell;
        return;
    }
    // Where the shell delivers nothing to a registered window (Wine has no such shell), a
    // global shell hook tells us instead: the hook library is loaded into each program
    // that creates or destroys a top-level window and posts the same message to us.
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring library(path, length);
    library.erase(library.find_last_of(L"\\/") + 1);
    library += QUARROW_SHELL_HOOK_LIBRARY;
    const HMODULE module = LoadLibraryW(library.c_str());
    if (!module)
        return;
    const auto proc =
        reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, QUARROW_SHELL_HOOK_PROC)));
    const HHOOK hook = proc ? SetWindowsHookExW(WH_SHELL, proc, module, 0) : nullptr;
    if (!hook) {
        FreeLibrary(module);
        return;
    }
    m_hookLibrary = module;
    m_hook = hook;
    m_route = NotificationRoute::HookLibrary;
}

void Win32Desktop::stopNotifications() {
    if (m_route == NotificationRoute::Shell)
        DeregisterShellHookWindow(static_cast<HWND>(m_receiver));
    if (m_hook)
        UnhookWindowsHookEx(static_cast<HHOOK>(m_hook));
    if (m_hookLibrary)
        FreeLibrary(static_cast<HMODULE>(m_hookLibrary));
    m_hook = nullptr;
    m_hookLibrary = nullptr;
    m_route = NotificationRoute::None;
}

void Win32Desktop::notification(unsigned code, WindowHandle window) {
    // A rude activation (a full-screen program's) is an activation all the same.
    code &= ~static_cast<unsigned>(HSHELL_HIGHBIT);
    if (code < 1 || code > 4 || !m_listener)
        return;
    const auto event = static_cast<WindowEvent>(code);
    if (event == WindowEvent::Created)
        windowTitle(window, 255);                // remembered for the day it is destroyed
    const WindowListener listener = m_listener;  // the listener may replace itself
    listener(event, window);
    if (event == WindowEvent::Destroyed)
        m_titles.erase(window);
}

std::size_t Win32Desktop::listViewRowCount(WindowHandle listView) {
    const HWND list = hwnd(listView);
    LRESULT header = 0;
    LRESULT rowCount = 0;
    if (!IsWindow(list) || !askListView(list, LVM_GETHEADER, 0, 0, &header) || header == 0 ||
        !askListView(list, LVM_GETITEMCOUNT, 0, 0, &rowCount) || rowCount <= 0)
        return 0;
    return static_cast<std::size_t>(rowCount);
}

std::vector<std::vector<std::u16string>> Win32Desktop::readListView(WindowHandle listView,
                                                                    std::size_t maxRows) {
    std::vector<std::vector<std::u16string>> rows;
    const HWND list = hwnd(listView);
    if (!IsWindow(list))
        return rows;
    LRESULT header = 0;
    LRESULT columns = 0;
    LRESULT rowCount = 0;
    if (!askListView(list, LVM_GETHEADER, 0, 0, &header) || header == 0)
        return rows;  // not a list view, or one that does not answer
    if (!askListView(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, &columns) || columns <= 0)
        return rows;
    if (!askListView(list, LVM_GETITEMCOUNT, 0, 0, &rowCount) || rowCount <= 0)
        return rows;
    if (static_cast<std::size_t>(rowCount) > maxRows)
        rowCount = static_cast<LRESULT>(maxRows);

    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    const RemoteBlock block(processId);
    if (!block.valid())
        return rows;
    // The request takes the start of the block, the cell's text the room after it.
    const bool narrow = isThirtyTwoBit(block.process());
    const std::size_t textOffset = narrow ? sizeof(ListViewItem32) : sizeof(LVITEMW);
    const auto remoteText = reinterpret_cast<std::uintptr_t>(block.at(textOffset));
    if (narrow && remoteText > 0xFFFFFFFFu)
        return rows;  // cannot be named in a 32-bit request; a 32-bit process has no such address

    rows.reserve(static_cast<std::size_t>(rowCount));
    for (LRESULT row = 0; row < rowCount; ++row) {
        std::vector<std::u16string> cells;
        for (LRESULT column = 0; column < columns; ++column) {
            bool written = false;
            if (narrow) {
                ListViewItem32 item{};
                item.mask = LVIF_TEXT;
                item.iItem = static_cast<int>(row);
                item.iSubItem = static_cast<int>(column);
                item.pszText = static_cast<std::uint32_t>(remoteText);
                item.cchTextMax = kCellBufferChars;
                written = block.write(0, &item, sizeof(item));
            } else {
                LVITEMW item{};
                item.mask = LVIF_TEXT;
                item.iItem = static_cast<int>(row);
                item.iSubItem = static_cast<int>(column);
                item.pszText = reinterpret_cast<LPWSTR>(remoteText);
                item.cchTextMax = kCellBufferChars;
                written = block.write(0, &item, sizeof(item));
            }
            LRESULT ignored = 0;
            wchar_t text[kCellReadBytes / sizeof(wchar_t) + 1]{};
            if (!written ||
                !askListView(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                             reinterpret_cast<LPARAM>(block.at(0)), &ignored) ||
                !block.read(textOffset, text, kCellReadBytes))
                return {};  // the list went away under us: no half-read rows
            cells.push_back(fromWide(text, wcsnlen(text, kCellReadBytes / sizeof(wchar_t))));
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

}  // namespace quarrow
