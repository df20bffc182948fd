#pragma once

#include "platform/Sound.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace quarrow {

// A sound device refused a command: "%d - %s", the device's code and its words for it.
// Nobody catches it on the way: the command that played or stopped the sound ends there.
class eMciDeviceError : public std::runtime_error {
public:
    eMciDeviceError(int code, const std::string& message) : std::runtime_error(message), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

enum class TMPMode { mpNotReady, mpStopped, mpPlaying, mpRecording, mpSeeking, mpPaused, mpOpen, mpUnknown };

// The alarm that calls the user when the unattended automation needs help: one sound
// file played through the platform's media device. The device is open only while the
// sound plays; a complete playback closes it and the next Play opens it again.
class TcmxMP3 {
public:
    // Measures the sound's length (opens and closes the device). Throws eMciDeviceError.
    TcmxMP3(Sound& sound, std::u16string filePath);
    ~TcmxMP3();
    TcmxMP3(const TcmxMP3&) = delete;
    TcmxMP3& operator=(const TcmxMP3&) = delete;

    // Starts the sound from its beginning; a sound still playing starts over (the alarm
    // must be heard, not silenced by a second call).
    void Play();
    void Stop();
    TMPMode State();
    std::uint32_t LengthInMillSeconds() const { return m_length_ms; }

    std::function<void(TcmxMP3&)> OnPlayComplete;

private:
    void check(int code);
    void open();
    void completed(std::uint16_t device);

    Sound& m_sound;
    std::u16string m_filePath;
    std::uint16_t m_deviceId = 0;
    std::uint32_t m_length_ms = 0;
};

// The one-note beep of a fetch that captured nothing: the note sounds for about a second,
// counted down by the half-second ticks of the program's timer.
class FailureBeep {
public:
    explicit FailureBeep(Sound& sound) : m_sound(sound) {}
    ~FailureBeep();

    void sound();
    // One tick of the half-second timer: closes the device on the second.
    void tick();

private:
    Sound& m_sound;
    int m_ticksLeft = 0;  // MIDIOpend
};

}  // namespace quarrow
