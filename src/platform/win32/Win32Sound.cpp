#include "platform/win32/Win32Sound.h"

// windows.h first: the other system headers build on it.
#include <windows.h>

#include <mmsystem.h>

namespace quarrow {

namespace {

constexpr wchar_t kWindowClass[] = L"QuarrowSoundNotify";

LRESULT CALLBACK notifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MM_MCINOTIFY && wParam == MCI_NOTIFY_SUCCESSFUL) {
        if (auto* sound = reinterpret_cast<Win32Sound*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            sound->completed(static_cast<std::uint16_t>(lParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int result(MCIERROR error) {
    return static_cast<int>(error);
}

}  // namespace

Win32Sound::Win32Sound() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = notifyProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    // A message-only window: it is never seen, and no title walk meets it.
    const HWND window =
        CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_window = window;
}

Win32Sound::~Win32Sound() {
    closeMidi();
    if (m_window)
        DestroyWindow(static_cast<HWND>(m_window));
}

int Win32Sound::open(const std::u16string& path, std::uint16_t* device) {
    const std::wstring element(path.begin(), path.end());
    MCI_OPEN_PARMSW parameters{};
    // The type is named but not flagged: the file's extension chooses the device.
    parameters.lpstrDeviceType = L"WaveAudio";
    parameters.lpstrElementName = element.c_str();
    const MCIERROR error = mciSendCommandW(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_SHAREABLE | MCI_OPEN_ELEMENT,
                                           reinterpret_cast<DWORD_PTR>(&parameters));
    if (error == 0)
        *device = static_cast<std::uint16_t>(parameters.wDeviceID);
    return result(error);
}

int Win32Sound::length(std::uint16_t device, std::uint32_t* length_ms) {
    MCI_SET_PARMS format{};
    format.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
    if (const MCIERROR error =
            mciSendCommandW(device, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&format)))
        return result(error);
    MCI_STATUS_PARMS status{};
    status.dwItem = MCI_STATUS_LENGTH;
    const MCIERROR error =
        mciSendCommandW(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&status));
    if (error == 0)
        *length_ms = static_cast<std::uint32_t>(status.dwReturn);
    return result(error);
}

int Win32Sound::mode(std::uint16_t device, SoundMode* mode) {
    MCI_STATUS_PARMS status{};
    status.dwItem = MCI_STATUS_MODE;
    const MCIERROR error =
        mciSendCommandW(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&status));
    if (error != 0) {
        *mode = SoundMode::Unknown;
        return result(error);
    }
    switch (status.dwReturn) {
        case MCI_MODE_NOT_READY:
            *mode = SoundMode::NotReady;
            break;
        case MCI_MODE_STOP:
            *mode = SoundMode::Stopped;
            break;
        case MCI_MODE_PLAY:
            *mode = SoundMode::Playing;
            break;
        case MCI_MODE_RECORD:
            *mode = SoundMode::Recording;
            break;
        case MCI_MODE_SEEK:
            *mode = SoundMode::Seeking;
            break;
        case MCI_MODE_PAUSE:
            *mode = SoundMode::Paused;
            break;
        case MCI_MODE_OPEN:
            *mode = SoundMode::Open;
            break;
        default:
            *mode = SoundMode::Unknown;
    }
    return 0;
}

int Win32Sound::play(std::uint16_t device) {
    MCI_PLAY_PARMS parameters{};
    parameters.dwCallback = reinterpret_cast<DWORD_PTR>(m_window);
    return result(mciSendCommandW(device, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&parameters)));
}

int Win32Sound::stop(std::uint16_t device) {
    MCI_GENERIC_PARMS parameters{};
    return result(mciSendCommandW(device, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&parameters)));
}

int Win32Sound::close(std::uint16_t device) {
    MCI_GENERIC_PARMS parameters{};
    return result(mciSendCommandW(device, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&parameters)));
}

std::u16string Win32Sound::errorText(int code) {
    wchar_t text[256]{};
    if (!mciGetErrorStringW(static_cast<MCIERROR>(code), text, 256))
        return {};
    std::u16string words;
    for (const wchar_t* c = text; *c; ++c)
        words += static_cast<char16_t>(*c);
    return words;
}

void Win32Sound::setCompletionListener(std::function<void(std::uint16_t device)> listener) {
    m_listener = std::move(listener);
}

void Win32Sound::completed(std::uint16_t device) {
    if (m_listener) {
        const auto listener = m_listener;  // the listener may replace itself
        listener(device);
    }
}

bool Win32Sound::openMidi() {
    if (m_midi)
        return true;
    HMIDIOUT midi = nullptr;
    if (midiOutOpen(&midi, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
        return false;
    m_midi = midi;
    return true;
}

void Win32Sound::sendMidi(std::uint32_t shortMessage) {
    if (m_midi)
        midiOutShortMsg(static_cast<HMIDIOUT>(m_midi), shortMessage);
}

void Win32Sound::closeMidi() {
    if (m_midi)
        midiOutClose(static_cast<HMIDIOUT>(m_midi));
    m_midi = nullptr;
}

}  // namespace quarrow
