// The main window's events that reach the GL game: the start button runs the start-up, a
// resize resets the viewport, and clicks and replayed window messages are dispatched to the
// form's handlers.
#include "common/report.h"
#include "shell/main_form.h"
#include "shell/replay.h"
#include "shell/startup.h"

namespace tv {

void Button3Click(Game& game) {
    InitGame(game);
    auto& b = game.form.buttons;
    if (!game.InitOK) {
        // The question alone does not say what went wrong; the log and stderr do.
        if (!game.GameLog.Path.empty())
            Warn("the start-up had errors; its log is " + game.GameLog.Path);
        b[kButton5].visible = true;
        b[kButton6].visible = true;
        b[kButton7].visible = true;
    }
    b[kButton3].visible = false;
    b[kButton4].visible = true;
}

void ClickButton(Game& game, FormButtonId id) {
    switch (id) {
        case kButton3: Button3Click(game); break;
        case kButton4: Button4Click(game); break;
        case kButton6: Button6Click(game); break;
        case kButton7: Button7Click(game); break;
        default: break;
    }
}

void FormResize(Game& game) {
    if (!game.InitOK) return;
    game.ScreenWidth = game.platform.window->Width();
    game.ScreenHeight = game.platform.window->Height();
    if (game.GLReady) SetViewportAndProjection(game);
}

void SendWindowMessage(Game& game, const WindowMessage& m) {
    switch (m.kind) {
        case WindowMessageKind::MouseDown:
            FormMouseDown(game, m.arg == 1 ? MouseButton::Right : m.arg == 2 ? MouseButton::Middle : MouseButton::Left);
            break;
        case WindowMessageKind::MouseUp: FormMouseUp(game); break;
        case WindowMessageKind::WheelDown: FormMouseWheelDown(game); break;
        case WindowMessageKind::WheelUp: FormMouseWheelUp(game); break;
        case WindowMessageKind::Click:
            if (m.arg >= 0 && m.arg < kFormButtonCount) ClickButton(game, static_cast<FormButtonId>(m.arg));
            break;
    }
}

}  // namespace tv
