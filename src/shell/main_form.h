#pragma once
// The main window's behaviour: its buttons, resizing and the mouse messages it receives.
// Button3Click, ClickButton and FormResize reach the GL game (window_events.cpp); the rest
// needs no GL.

#include "shell/game.h"

namespace tv {

enum class MouseButton { Left, Right, Middle };

// "Старт": runs InitGame, then shows the question if a guarded step failed; always hides
// itself and shows "Еще 50".
void Button3Click(Game& game);
// "Еще 50": one more wave of aircraft (nothing until the aircraft exist).
void Button4Click(Game& game);
// "Да": carry on with whatever was created.
void Button6Click(Game& game);
// "Нет": close the window.
void Button7Click(Game& game);
// Runs the handler of a clickable button.
void ClickButton(Game& game, FormButtonId id);
// The visible, clickable button under a window pixel, or kFormButtonCount.
FormButtonId ButtonAt(const TForm1& form, int x, int y);

// Where the player is, as far as keys and controller buttons go: each state has its own.
enum class FormState { Title, Question, Playing, Paused };
FormState StateOf(const Game& game);

// The button a controller focuses when its focus is nowhere visible: "Да" while the question
// is shown, else "Старт", else "Еще 50"; kFormButtonCount when none of them is visible.
FormButtonId DefaultFocus(const TForm1& form);
// The visible, clickable button nearest to `from` in the direction (dx, dy) (each -1, 0 or 1;
// y grows downwards), preferring those straight that way; `from` itself when none lies that way.
FormButtonId NextButton(const TForm1& form, FormButtonId from, int dx, int dy);

// Places the buttons for a window of this size (window coordinates): each takes its design
// rectangle times form.uiScale (1 to 3), keeps that position where it fits and otherwise moves
// left and up just enough to lie wholly inside. A window smaller than a button puts it at the
// window's corner.
void LayoutButtons(TForm1& form, int windowWidth, int windowHeight);

// Up to this many dots per inch the interface is drawn at its design size.
inline constexpr float kPlainDpi = 120.0f;
// The interface scale `ui_scale = auto` means on a display of `dpi` dots per inch: 1 up to
// kPlainDpi, above that dpi / 96 to the nearest quarter, within 1 to 3.
double AutoUiScale(float dpi);

// Only while InitOK: takes the window's size and resets viewport and projection.
void FormResize(Game& game);

void FormMouseDown(Game& game, MouseButton button);
void FormMouseUp(Game& game);
void FormMouseWheelDown(Game& game);  // one notch: the camera backs off 1 unit
void FormMouseWheelUp(Game& game);

}  // namespace tv
