// The main window's buttons and mouse messages that need no GL. The start button, a resize
// and the dispatch of clicks are in window_events.cpp: they start or reshape the GL game.
#include "shell/main_form.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

FormState StateOf(const Game& game) {
    if (game.Paused) return FormState::Paused;
    if (game.InitOK) return FormState::Playing;
    return game.form.buttons[kButton6].visible ? FormState::Question : FormState::Title;
}

namespace {

bool Clickable(const TForm1& form, int id) {
    return id >= 0 && id < kFormButtonCount && form.buttons[id].visible && form.buttons[id].clickable;
}

}  // namespace

FormButtonId DefaultFocus(const TForm1& form) {
    for (FormButtonId id : {kButton6, kButton3, kButton4})
        if (Clickable(form, id)) return id;
    return kFormButtonCount;
}

FormButtonId NextButton(const TForm1& form, FormButtonId from, int dx, int dy) {
    if (!Clickable(form, from)) return DefaultFocus(form);
    // Centres doubled, to stay in whole pixels.
    auto centre = [&](int id, int& x, int& y) {
        const FormButton& b = form.buttons[id];
        x = 2 * b.left + b.width;
        y = 2 * b.top + b.height;
    };
    int fx = 0, fy = 0;
    centre(from, fx, fy);
    FormButtonId best = from;
    long bestCost = 0;
    for (int i = 0; i < kFormButtonCount; ++i) {
        if (i == from || !Clickable(form, i)) continue;
        int x = 0, y = 0;
        centre(i, x, y);
        const long along = static_cast<long>(x - fx) * dx + static_cast<long>(y - fy) * dy;
        if (along <= 0) continue;
        // Off the line costs twice what the same distance along it does.
        const long across = std::labs(static_cast<long>(x - fx) * dy - static_cast<long>(y - fy) * dx);
        const long cost = along + 2 * across;
        if (best == from || cost < bestCost) {
            best = static_cast<FormButtonId>(i);
            bestCost = cost;
        }
    }
    return best;
}

void LayoutButtons(TForm1& form, int windowWidth, int windowHeight) {
    static const TForm1 design;
    const double scale = std::clamp(form.uiScale, 1.0, 3.0);
    const auto scaled = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
    for (int i = 0; i < kFormButtonCount; ++i) {
        const FormButton& d = design.buttons[i];
        FormButton& b = form.buttons[i];
        b.width = scaled(d.width);
        b.height = scaled(d.height);
        b.left = std::max(0, std::min(scaled(d.left), windowWidth - b.width));
        b.top = std::max(0, std::min(scaled(d.top), windowHeight - b.height));
    }
}

double AutoUiScale(float dpi) {
    if (!(dpi > kPlainDpi)) return 1.0;  // NaN (no DPI known) too
    return std::clamp(std::round(dpi / 96.0 * 4.0) / 4.0, 1.0, 3.0);
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
