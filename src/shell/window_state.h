#pragma once
// Where the main window was when the game last closed: its windowed size and position and the
// monitor it filled in full screen, kept in $XDG_STATE_HOME/terravik/window.ini (by default
// ~/.local/state/terravik/window.ini) so the next run opens the window where the player left
// it. Runs that must repeat exactly (timed runs, replays, --windowed) neither read nor write it.
//
// The file is a few "key = value" lines:
//     size = 1280x800        the windowed size, within the settings' window limits
//     position = 100,60      the windowed window's top-left corner, in desktop pixels
//     display = 0            the monitor full screen used, counted from 0

#include <optional>
#include <string>
#include <string_view>

#include "common/error.h"

namespace tv {

struct WindowState {
    int width = 0;  // the windowed size, pixels
    int height = 0;
    bool hasPosition = false;  // false: let the window system place it
    int x = 0;
    int y = 0;
    int display = 0;

    bool operator==(const WindowState&) const = default;
};

// The state in `text`; empty, with the reason in `error` (naming the line), when any line is
// not one of the keys above with a value in range, or the size is missing.
std::optional<WindowState> ParseWindowState(std::string_view text, std::string& error);
// The file's text for `state`.
std::string FormatWindowState(const WindowState& state);

// The state file's path for the variables' values (null when unset): $XDG_STATE_HOME when it
// is absolute, else $HOME/.local/state; empty when neither gives an absolute folder.
std::string WindowStatePathFor(const char* xdgStateHome, const char* home);
std::string DefaultWindowStatePath();  // the same from the environment

// Reads the file at `path`. A missing file gives nothing and no warning; an unreadable,
// oversized or bad file gives nothing and one line in `warning` naming the file and the fault.
std::optional<WindowState> LoadWindowState(const std::string& path, std::string& warning);
// Writes the file whole or not at all, creating its folder. Empty on success, else the reason.
Status SaveWindowState(const std::string& path, const WindowState& state);

}  // namespace tv
