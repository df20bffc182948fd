#include "automation/AlarmPlayer.h"

namespace quarrow {

namespace {

std::string utf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The note-on of note 60 at velocity 64 on the first channel.
constexpr std::uint32_t kBeepNote = 0x403C90;
constexpr int kBeepTicks = 2;

}  // namespace

TcmxMP3::TcmxMP3(Sound& sound, std::u16string filePath) : m_sound(sound), m_filePath(std::move(filePath)) {
    open();
    const int code = m_sound.length(m_deviceId, &m_length_ms);
    const std::uint16_t measured = m_deviceId;
    m_deviceId = 0;
    m_sound.close(measured);
    check(code);
    m_sound.setCompletionListener([this](std::uint16_t device) { completed(device); });
}

TcmxMP3::~TcmxMP3() {
    m_sound.setCompletionListener({});
}

void TcmxMP3::check(int code) {
    if (code == 0)
        return;
    std::string text = utf8(m_sound.errorText(code));
    if (text.empty())
        text = "Unknown error code";
    throw eMciDeviceError(code, std::to_string(code) + " - " + text);
}

void TcmxMP3::open() {
    std::uint16_t device = 0;
    check(m_sound.open(m_filePath, &device));
    m_deviceId = device;
}

void TcmxMP3::Play() {
    if (m_deviceId != 0 && State() == TMPMode::mpPlaying)
        Stop();
    if (m_deviceId == 0)
        open();
    check(m_sound.play(m_deviceId));
}

void TcmxMP3::Stop() {
    if (m_deviceId == 0)
        return;
    const std::uint16_t device = m_deviceId;
    m_deviceId = 0;
    const int stopped = m_sound.stop(device);
    const int closed = m_sound.close(device);
    check(stopped);
    check(closed);
}

TMPMode TcmxMP3::State() {
    if (m_deviceId == 0)
        return TMPMode::mpUnknown;
    SoundMode mode = SoundMode::Unknown;
    check(m_sound.mode(m_deviceId, &mode));
    return static_cast<TMPMode>(mode);
}

void TcmxMP3::completed(std::uint16_t device) {
    if (device != m_deviceId || m_deviceId == 0)
        return;
    Stop();
    if (OnPlayComplete)
        OnPlayComplete(*this);
}

FailureBeep::~FailureBeep() {
    if (m_ticksLeft > 0)
        m_sound.closeMidi();
}

void FailureBeep::sound() {
    if (m_ticksLeft > 0 || !m_sound.openMidi())
        return;
    m_sound.sendMidi(kBeepNote);
    m_ticksLeft = kBeepTicks;
}

void FailureBeep::tick() {
    if (m_ticksLeft <= 0)
        return;
    if (--m_ticksLeft == 0)
        m_sound.closeMidi();
}

}  // namespace quarrow
