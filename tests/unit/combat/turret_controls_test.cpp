// The controls drive the turret: weapon rules with the polled buttons, aim with the camera,
// and the weapon keys.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../shell/fakes.h"
#include "audio/sound_backend.h"
#include "audio/wav_file.h"
#include "shell/controls.h"
#include "shell/main_form.h"
#include "turret_fixture.h"

namespace tv::test {
namespace {

class TurretControls : public ::testing::Test {
protected:
    void SetUp() override {
        f.game.InitOK = true;
        f.input.InitKeyboard();
        f.input.InitMouse();
        f.game.Turel = MakeTurret();
    }
    FakeGame f;
};

TEST_F(TurretControls, KeysOneAndTwoTogetherEndOnTheLaserSwitchedOff) {
    TTurel& t = *f.game.Turel;
    t.Weapon = 2;
    t.LaserOn = 1;
    f.game.FireSoundOn = true;
    f.input.keys[kKey1] = kDown;
    f.input.keys[kKey2] = kDown;
    ProcessInput(f.game);
    EXPECT_EQ(t.Weapon, 2);
    EXPECT_EQ(t.LaserOn, 0);
    EXPECT_FALSE(f.game.FireSoundOn);
}

TEST_F(TurretControls, RightButtonBlocksFiringAndTheTurretTurnsWithTheCamera) {
    TTurel& t = *f.game.Turel;
    f.game.FireHeld = true;
    f.game.FrameTime = 30;
    f.input.next.rgbButtons[0] = kDown;
    f.input.next.rgbButtons[1] = kDown;
    ProcessInput(f.game);
    EXPECT_EQ(t.Shells, 15000);  // the timer ran past 20 ms, but the right button is down

    f.input.next.rgbButtons[0] = kDown;
    f.input.next.lX = 7;
    f.input.next.lY = -40;
    ProcessInput(f.game);
    EXPECT_EQ(t.Shells, 14998);
    EXPECT_FLOAT_EQ(t.Yaw, f.game.Camera.Yaw);
    EXPECT_FLOAT_EQ(t.Pitch, f.game.Camera.Pitch);
    EXPECT_NEAR(t.Yaw, 358.6f, 1e-3);
    EXPECT_FLOAT_EQ(t.Pitch, -8.0f);

    // Laser held with the right button too: it stays off.
    t.SelectWeapon(2);
    f.input.next.rgbButtons[0] = kDown;
    f.input.next.rgbButtons[1] = kDown;
    ProcessInput(f.game);
    EXPECT_EQ(t.LaserOn, 0);
    f.input.next.rgbButtons[0] = kDown;
    ProcessInput(f.game);
    EXPECT_EQ(t.LaserOn, 1);
}

TEST_F(TurretControls, MouseDownLoopsTheWeaponSoundAndTheRulesStopIt) {
    // Three one-second samples on the silent back-end, loaded in the start-up's order but
    // known to the game only by the ids the mixer hands out.
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(TERRAVIK_TEST_TMP) / "turret_controls_sound";
    fs::create_directories(dir);
    WaveFile w;
    w.Rate = 1000;
    w.Samples.assign(2000, 0x10);
    const std::vector<uint8_t> bytes = WriteWave(w);
    ASSERT_TRUE(InitSound(f.game.Mixer, f.clock, MakeSilentSoundBackend(kSoundChannelCount, f.clock)));
    std::vector<int32_t> ids;
    for (const char* name : {"other.wav", "1.wav", "2.wav", "3.wav"}) {
        std::ofstream((dir / name).string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ids.push_back(LoadSample(f.game.Mixer, (dir / name).string()));
    }
    f.game.Sounds = {ids[1], ids[2], ids[3]};
    // Someone else's sound on channel 0, where the fire channel starts out.
    ASSERT_EQ(PlaySample(f.game.Mixer, ids[0], false, {}), 0);
    TTurel& t = *f.game.Turel;
    auto playing = [&](int32_t channel) {
        bool on = false;
        return f.game.Mixer.backend->VoiceStatus(channel, on) && on;
    };

    // The cannon's sample, looping; releasing fire stops it, and only it.
    FormMouseDown(f.game, MouseButton::Left);
    ASSERT_TRUE(f.game.FireSoundOn);
    const int32_t cannon = f.game.FireChannel;
    ASSERT_TRUE(IsChannelValid(f.game.Mixer, cannon));
    EXPECT_EQ(f.game.Mixer.channels[cannon].sampleId, f.game.Sounds.Cannon);
    FormMouseUp(f.game);
    ProcessInput(f.game);
    EXPECT_FALSE(f.game.FireSoundOn);
    EXPECT_FALSE(playing(cannon));
    EXPECT_TRUE(playing(0));

    // A key-1 press with no weapon sound playing leaves the other sound alone.
    f.game.FireChannel = 0;
    f.input.keys[kKey1] = kDown;
    ProcessInput(f.game);
    EXPECT_TRUE(playing(0));
    f.input.keys[kKey1] = 0;

    // The laser's sample. Pressed twice before a frame, the first loop is not left behind.
    t.SelectWeapon(2);
    FormMouseDown(f.game, MouseButton::Left);
    const int32_t first = f.game.FireChannel;
    FormMouseDown(f.game, MouseButton::Left);
    EXPECT_EQ(f.game.Mixer.channels[f.game.FireChannel].sampleId, f.game.Sounds.Laser);
    int loops = 0;
    for (int32_t c = 0; c < kSoundChannelCount; ++c)
        if (playing(c) && f.game.Mixer.channels[c].sampleId == f.game.Sounds.Laser) ++loops;
    EXPECT_EQ(loops, 1) << "first channel " << first;
    // Out of shells the cannon starts nothing.
    f.input.next.rgbButtons[0] = kDown;
    ProcessInput(f.game);
    f.input.keys[kKey1] = kDown;
    ProcessInput(f.game);
    EXPECT_FALSE(f.game.FireSoundOn);
    t.Shells = 0;
    FormMouseDown(f.game, MouseButton::Left);
    EXPECT_FALSE(f.game.FireSoundOn);
}

}  // namespace
}  // namespace tv::test
