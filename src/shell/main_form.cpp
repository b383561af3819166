// The main window's buttons and mouse messages that need no GL. The start button, a resize
// and the dispatch of clicks are in window_events.cpp: they start or reshape the GL game.
#include "shell/main_form.h"

#include <algorithm>

#include "shell/game.h"

namespace tv {

void Button4Click(Game& game) {
    if (game.Planes) game.Planes->SpawnWave(game.random, false);  // "Еще 50"
}

void Button6Click(Game& game) {
    game.InitOK = true;
    auto& b = game.form.buttons;
    b[kButton5].visible = false;
    b[kButton6].visible = false;
    b[kButton7].visible = false;
}

void Button7Click(Game& game) { game.platform.window->Close(); }

FormButtonId ButtonAt(const TForm1& form, int x, int y) {
    for (int i = 0; i < kFormButtonCount; ++i) {
        const FormButton& b = form.buttons[i];
        if (b.visible && b.clickable && x >= b.left && x < b.left + b.width && y >= b.top &&
            y < b.top + b.height) {
            return static_cast<FormButtonId>(i);
        }
    }
    return kFormButtonCount;
}

void LayoutButtons(TForm1& form, int windowWidth, int windowHeight) {
    static const TForm1 design;
    for (int i = 0; i < kFormButtonCount; ++i) {
        const FormButton& d = design.buttons[i];
        FormButton& b = form.buttons[i];
        b.left = std::max(0, std::min(d.left, windowWidth - d.width));
        b.top = std::max(0, std::min(d.top, windowHeight - d.height));
    }
}

void FormMouseDown(Game& game, MouseButton button) {
    game.FireHeld = true;
    if (game.InitOK && button == MouseButton::Left && game.Turel) {
        // The looping weapon sound at the turret: the cannon's with shells left, or the laser's.
        const TTurel& turret = *game.Turel;
        int32_t sample = 0;
        if (turret.Weapon == 1 && turret.Shells > 0) sample = game.Sounds.Cannon;
        if (turret.Weapon == 2) sample = game.Sounds.Laser;
        if (sample != 0) {
            // A second press before the frame saw the release must not orphan a looping sound.
            if (game.FireSoundOn) StopChannel(game.Mixer, game.FireChannel);
            game.FireChannel = PlaySample(game.Mixer, sample, true, turret.Position);
            game.FireSoundOn = true;
        }
    }
}

void FormMouseUp(Game& game) { game.FireHeld = false; }

void FormMouseWheelDown(Game& game) { game.WheelZoom += kMouseSensitivity * 50.0f; }

void FormMouseWheelUp(Game& game) { game.WheelZoom -= kMouseSensitivity * 50.0f; }

}  // namespace tv
