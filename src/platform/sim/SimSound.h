#pragma once

#include "platform/Sound.h"

#include <QObject>

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace quarrow {

// The sound device of a Linux run and of the tests: it plays nothing and records every
// call. A sound never ends by itself: finishPlaying() queues its completion, delivered
// like the device's notification while the program pumps its events (or at once through
// deliverCompletions()).
class SimSound final : public Sound {
public:
    // The device's codes for the failures it simulates.
    static constexpr int kFileNotFound = 275;
    static constexpr int kInvalidDevice = 257;

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

    // Every call, as "open <path>", "play 1", "midi open", "midi send 403C90"...
    const std::vector<std::string>& calls() const { return m_calls; }
    // The length every opened sound has.
    void setLength(std::uint32_t length_ms) { m_length_ms = length_ms; }
    // Whether a MIDI output is there to open.
    void setMidiAvailable(bool available) { m_midiAvailable = available; }
    bool midiOpen() const { return m_midiOpen; }
    // From now on play and stop fail with kInvalidDevice, as a device that went away.
    void failFromNowOn() { m_failing = true; }

    // The sound on device played to its end.
    void finishPlaying(std::uint16_t device);
    void deliverCompletions();

private:
    std::map<std::uint16_t, SoundMode> m_devices;
    std::uint16_t m_nextDevice = 1;
    std::uint32_t m_length_ms = 3000;
    bool m_midiAvailable = true;
    bool m_midiOpen = false;
    bool m_failing = false;
    std::vector<std::string> m_calls;
    std::function<void(std::uint16_t)> m_listener;
    std::deque<std::uint16_t> m_completions;
    bool m_deliveryPosted = false;
    QObject m_eventTarget;  // queued deliveries die with the device
};

}  // namespace quarrow
