// A stand-in for a QQ chat window: titled with the nickname, an input box that takes what
// Ctrl+V pastes and sends it with Enter. Every paste and every message sent is written to
// its log in the working folder, where the check reads it.

#include "FixtureData.h"
#include "FixtureLog.h"

#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kChatClass[] = L"TXGuiFoundation";

HWND g_input = nullptr;
HWND g_history = nullptr;
WNDPROC g_editProc = nullptr;

std::wstring textOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

LRESULT CALLBACK inputProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PASTE) {
        const LRESULT result = CallWindowProcW(g_editProc, window, message, wParam, lParam);
        fixture::logTo(fixture::kChatLog, L"paste " + textOf(window));
        return result;
    }
    // Enter sends; the line breaks of a pasted batch stay inside the message.
    if (message == WM_KEYDOWN && wParam == VK_RETURN && GetKeyState(VK_CONTROL) >= 0) {
        const std::wstring text = textOf(window);
        fixture::logTo(fixture::kChatLog, L"send " + text);
        SetWindowTextW(g_history, (textOf(g_history) + text + L"\r\n").c_str());
        SetWindowTextW(window, L"");
        return 0;
    }
    if (message == WM_CHAR && wParam == L'\r')
        return 0;
    return CallWindowProcW(g_editProc, window, message, wParam, lParam);
}

LRESULT CALLBACK chatProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFOCUS:
            SetFocus(g_input);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = chatProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kChatClass;
    RegisterClassW(&windowClass);
    const HWND chat = CreateWindowExW(0, kChatClass, fixture::kChatTitle, WS_OVERLAPPEDWINDOW, 300, 200, 500,
                                      400, nullptr, nullptr, instance, nullptr);
    g_history =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 5,
                        5, 470, 220, chat, nullptr, instance, nullptr);
    g_input = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"",
                              WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 5, 235,
                              470, 120, chat, nullptr, instance, nullptr);
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(g_input, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(inputProc)));
    ShowWindow(chat, show);
    fixture::logTo(fixture::kChatLog, L"start");

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
