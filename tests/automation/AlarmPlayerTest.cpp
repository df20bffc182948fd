#include "automation/AlarmPlayer.h"
#include "platform/sim/SimSound.h"
#include "support/TestSupport.h"

#include <QFile>

using namespace quarrow;
using namespace quarrow::test;

namespace {

using Calls = std::vector<std::string>;

struct Alarm {
    Alarm() { EXPECT_TRUE(QFile(home.file(QStringLiteral("alarm.mp3"))).open(QIODevice::WriteOnly)); }
    // The device's calls since the last look, the media device's cut to their verbs.
    Calls calls() {
        Calls verbs;
        for (std::size_t i = seen; i < sound.calls().size(); ++i) {
            const std::string& call = sound.calls()[i];
            verbs.push_back(call.rfind("midi", 0) == 0 ? call : call.substr(0, call.find(' ')));
        }
        seen = sound.calls().size();
        return verbs;
    }

    TempHome home;
    SimSound sound;
    std::size_t seen = 0;
};

}  // namespace

// The device is open only while the sound plays: a complete playback closes it, and the
// next Play opens it again; Stop without a device does nothing; Play while playing starts over.
TEST(TcmxMP3, OpensTheDeviceForEachPlaybackOnly) {
    Alarm a;
    TcmxMP3 player(a.sound, a.home.file(QStringLiteral("alarm.mp3")).toStdU16String());
    EXPECT_EQ(a.calls(), (Calls{"open", "length", "close"}));
    player.Stop();
    EXPECT_TRUE(a.calls().empty());

    int completions = 0;
    player.OnPlayComplete = [&](TcmxMP3&) { ++completions; };
    player.Play();
    EXPECT_EQ(a.calls(), (Calls{"open", "play"}));
    EXPECT_EQ(player.State(), TMPMode::mpPlaying);
    a.sound.finishPlaying(2);
    a.sound.deliverCompletions();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(player.State(), TMPMode::mpUnknown);
    EXPECT_EQ(a.calls(), (Calls{"stop", "close"}));

    player.Play();
    player.Play();
    EXPECT_EQ(a.calls(), (Calls{"open", "play", "stop", "close", "open", "play"}));
    EXPECT_EQ(player.State(), TMPMode::mpPlaying);
}

TEST(TcmxMP3, ADeviceErrorCarriesTheCodeAndTheDevicesWords) {
    Alarm a;
    const std::string words =
        QString::fromStdU16String(a.sound.errorText(SimSound::kFileNotFound)).toStdString();
    ASSERT_FALSE(words.empty());
    try {
        TcmxMP3 player(a.sound, a.home.file(QStringLiteral("missing.mp3")).toStdU16String());
        ADD_FAILURE() << "no error for a missing file";
    } catch (const eMciDeviceError& error) {
        EXPECT_EQ(error.code(), SimSound::kFileNotFound);
        EXPECT_EQ(error.what(), "275 - " + words);
    }
}

// One note per failure, closed on the second half-second tick; none without a MIDI output.
TEST(FailureBeep, SoundsOneNoteForAboutASecond) {
    Alarm a;
    FailureBeep beep(a.sound);
    beep.sound();
    beep.sound();
    EXPECT_EQ(a.calls(), (Calls{"midi open", "midi send 403C90"}));
    beep.tick();
    EXPECT_TRUE(a.sound.midiOpen());
    beep.tick();
    beep.tick();
    EXPECT_EQ(a.calls(), (Calls{"midi close"}));
    a.sound.setMidiAvailable(false);
    beep.sound();
    EXPECT_EQ(a.calls(), (Calls{"midi open failed"}));
}
