// The controls drive the turret: weapon rules with the polled buttons, aim with the camera,
// and the weapon keys.
#include <gtest/gtest.h>

#include "../shell/fakes.h"
#include "shell/controls.h"
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

}  // namespace
}  // namespace tv::test
