#include "automation/AlarmPlayer.h"
#include "platform/sim/SimSound.h"
#include "support/TestSupport.h"

#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

namespace {

struct Alarm {
    Alarm() {
        QFile file(home.file(QStringLiteral("alarm.mp3")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("ID3");
    }
    // The device calls since the last look.
    std::vector<std::string> calls() {
        std::vector<std::string> recent(sound.calls().begin() + seen, sound.calls().end());
        seen = sound.calls().size();
        return recent;
    }
    std::u16string path() const { return home.file(QStringLiteral("alarm.mp3")).toStdU16String(); }

    TempHome home;
    SimSound sound;
    std::size_t seen = 0;
};

bool opens(const std::vector<std::string>& calls) {
    return !calls.empty() && calls.front().rfind("open ", 0) == 0;
}

}  // namespace

// The device is open only while the sound plays: a complete playback closes it, and the
// next Play opens it again; Stop without a device does nothing.
TEST(TcmxMP3, OpensTheDeviceForEachPlaybackOnly) {
    Alarm a;
    TcmxMP3 player(a.sound, a.path());
    a.calls();
    player.Stop();
    EXPECT_TRUE(a.calls().empty());

    int completions = 0;
    player.OnPlayComplete = [&](TcmxMP3&) { ++completions; };
    player.Play();
    std::vector<std::string> calls = a.calls();
    ASSERT_TRUE(opens(calls));
    ASSERT_EQ(calls.back().rfind("play ", 0), 0u);
    const std::string device = calls.back().substr(5);
    EXPECT_EQ(player.State(), TMPMode::mpPlaying);
    a.sound.finishPlaying(static_cast<std::uint16_t>(std::stoi(device)));
    a.sound.deliverCompletions();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(player.State(), TMPMode::mpUnknown);
    EXPECT_EQ(a.calls(), (std::vector<std::string>{"stop " + device, "close " + device}));

    player.Play();
    calls = a.calls();
    ASSERT_TRUE(opens(calls));
    EXPECT_EQ(calls.back().rfind("play ", 0), 0u);
    // Played again while playing: it starts over on a fresh device.
    player.Play();
    calls = a.calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0].rfind("stop ", 0), 0u);
    EXPECT_EQ(calls[1].rfind("close ", 0), 0u);
    EXPECT_TRUE(opens({calls[2]}));
    EXPECT_EQ(calls.back().rfind("play ", 0), 0u);
    EXPECT_EQ(player.State(), TMPMode::mpPlaying);
}

TEST(TcmxMP3, ADeviceErrorCarriesTheCodeAndTheDevicesWords) {
    Alarm a;
    try {
        TcmxMP3 player(a.sound, a.home.file(QStringLiteral("missing.mp3")).toStdU16String());
        FAIL() << "no error for a missing file";
    } catch (const eMciDeviceError& error) {
        EXPECT_EQ(error.code(), SimSound::kFileNotFound);
        const std::string expected =
            "275 - " + QString::fromStdU16String(a.sound.errorText(SimSound::kFileNotFound)).toStdString();
        EXPECT_EQ(error.what(), expected);
        EXPECT_GT(expected.size(), 6u);
    }
}

// One note per failure, closed on the second half-second tick; none without a MIDI output.
TEST(FailureBeep, SoundsOneNoteForAboutASecond) {
    Alarm a;
    {
        FailureBeep beep(a.sound);
        beep.sound();
        beep.sound();
        EXPECT_EQ(a.calls(), (std::vector<std::string>{"midi open", "midi send 403C90"}));
        beep.tick();
        EXPECT_TRUE(a.sound.midiOpen());
        beep.tick();
        EXPECT_FALSE(a.sound.midiOpen());
        EXPECT_EQ(a.calls(), std::vector<std::string>{"midi close"});
        beep.tick();
        EXPECT_TRUE(a.calls().empty());
    }
    a.sound.setMidiAvailable(false);
    FailureBeep silent(a.sound);
    silent.sound();
    EXPECT_EQ(std::count(a.sound.calls().begin(), a.sound.calls().end(), "midi send 403C90"), 1);
}
