#include "platform/sim/SimSound.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QString>

#include <cstdio>

namespace quarrow {

int SimSound::open(const std::u16string& path, std::uint16_t* device) {
    const QString file = QString::fromStdU16String(path);
    m_calls.push_back("open " + file.toStdString());
    if (!QFileInfo(file).isFile())
        return kFileNotFound;
    *device = m_nextDevice++;
    m_devices[*device] = SoundMode::Stopped;
    return 0;
}

int SimSound::length(std::uint16_t device, std::uint32_t* length_ms) {
    m_calls.push_back("length " + std::to_string(device));
    if (!m_devices.count(device))
        return kInvalidDevice;
    *length_ms = m_length_ms;
    return 0;
}

int SimSound::mode(std::uint16_t device, SoundMode* mode) {
    const auto it = m_devices.find(device);
    if (it == m_devices.end())
        return kInvalidDevice;
    *mode = it->second;
    return 0;
}

int SimSound::play(std::uint16_t device) {
    m_calls.push_back("play " + std::to_string(device));
    const auto it = m_devices.find(device);
    if (it == m_devices.end() || m_failing)
        return kInvalidDevice;
    it->second = SoundMode::Playing;
    return 0;
}

int SimSound::stop(std::uint16_t device) {
    m_calls.push_back("stop " + std::to_string(device));
    const auto it = m_devices.find(device);
    if (it == m_devices.end() || m_failing)
        return kInvalidDevice;
    it->second = SoundMode::Stopped;
    return 0;
}

int SimSound::close(std::uint16_t device) {
    m_calls.push_back("close " + std::to_string(device));
    return m_devices.erase(device) ? 0 : kInvalidDevice;
}

std::u16string SimSound::errorText(int code) {
    switch (code) {
        case kFileNotFound:
            return u"找不到指定的文件。请确认路径和文件名正确。";
        case kInvalidDevice:
            return u"指定的设备标识符无效。";
        default:
            return std::u16string();
    }
}

void SimSound::setCompletionListener(std::function<void(std::uint16_t device)> listener) {
    m_listener = std::move(listener);
}

bool SimSound::openMidi() {
    m_calls.push_back(m_midiAvailable ? "midi open" : "midi open failed");
    m_midiOpen = m_midiAvailable;
    return m_midiAvailable;
}

void SimSound::sendMidi(std::uint32_t shortMessage) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(shortMessage));
    m_calls.push_back(std::string("midi send ") + hex);
}

void SimSound::closeMidi() {
    m_calls.push_back("midi close");
    m_midiOpen = false;
}

void SimSound::finishPlaying(std::uint16_t device) {
    const auto it = m_devices.find(device);
    if (it == m_devices.end() || it->second != SoundMode::Playing)
        return;
    it->second = SoundMode::Stopped;
    m_completions.push_back(device);
    if (m_deliveryPosted || !QCoreApplication::instance())
        return;
    m_deliveryPosted = true;
    QMetaObject::invokeMethod(
        &m_eventTarget, [this] { deliverCompletions(); }, Qt::QueuedConnection);
}

void SimSound::deliverCompletions() {
    m_deliveryPosted = false;
    while (!m_completions.empty()) {
        const std::uint16_t device = m_completions.front();
        m_completions.pop_front();
        if (const auto listener = m_listener)
            listener(device);
    }
}

}  // namespace quarrow
