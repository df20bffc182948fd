#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quarrow {

// The state of an open sound, as the media device reports it.
enum class SoundMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open, Unknown };

// The platform's sound: a media device that plays a sound file (the alarm), and the MIDI
// output that sounds one note (the failure beep). Every device call returns the device's
// error code, 0 for success, so the player can report it as the device words it.
class Sound {
public:
    virtual ~Sound() = default;

    // Opens the file as a shareable device and gives its id (never 0 on success).
    virtual int open(const std::u16string& path, std::uint16_t* device) = 0;
    virtual int length(std::uint16_t device, std::uint32_t* length_ms) = 0;
    virtual int mode(std::uint16_t device, SoundMode* mode) = 0;
    // Starts playing; the completion listener hears when it played to its end.
    virtual int play(std::uint16_t device) = 0;
    virtual int stop(std::uint16_t device) = 0;
    virtual int close(std::uint16_t device) = 0;
    // The device's words for an error code; empty when it has none.
    virtual std::u16string errorText(int code) = 0;
    // Called, while the program pumps its events, when a sound played to its end.
    virtual void setCompletionListener(std::function<void(std::uint16_t device)> listener) = 0;

    // The MIDI output for the one-note beep: open the default output, send one short
    // message, close it again.
    virtual bool openMidi() = 0;
    virtual void sendMidi(std::uint32_t shortMessage) = 0;
    virtual void closeMidi() = 0;
};

}  // namespace quarrow
