#pragma once

#include "platform/Sound.h"

namespace quarrow {

// The media control interface (MCI) of Windows for the alarm and the MIDI mapper for the
// failure beep. The end of a sound reaches us as the device's notification to a hidden
// window, so the completion listener runs while the program pumps its events.
class Win32Sound final : public Sound {
public:
    Win32Sound();
    ~Win32Sound() override;
    Win32Sound(const Win32Sound&) = delete;
    Win32Sound& operator=(const Win32Sound&) = delete;

    int open(const std::u16string& path, std::uint16_t* device) override;
    int length(std::uint16_t device, std::uint32_t* length_ms) override;
    int mode(std::uint16_t device, SoundMode* mode) override;
    int play(std::uint16_t device) override;
    int stop(std::uint16_t device) override;
    int close(std::uint16_t device) override;
    std::u16string errorText(int code) override;
    void setCompletionListener(std::function<void(std::uint16_t device)> listener) override;
    bool openMidi() override;
    void sendMidi(std::uint32_t shortMessage) override;
    void closeMidi() override;

    // Called by the notification window's procedure.
    void completed(std::uint16_t device);

private:
    void* m_window = nullptr;  // HWND that receives the device's notifications
    void* m_midi = nullptr;    // HMIDIOUT
    std::function<void(std::uint16_t)> m_listener;
};

}  // namespace quarrow
