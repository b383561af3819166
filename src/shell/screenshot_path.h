#pragma once
// Where the screenshot key's pictures go: the player's pictures folder ($XDG_PICTURES_DIR, or
// the one named in the user-dirs file), else ~/Pictures, else the current folder, as
// terravik-YYYYMMDD-HHMMSS.png in local time.

#include <ctime>
#include <string>

namespace tv {

// The folder for screenshots, from the environment and the user-dirs file; "." when none of
// the candidates is an existing folder.
std::string ScreenshotFolder();

// folder/terravik-YYYYMMDD-HHMMSS.png for `when` (local time); when that file exists already
// (two in one second), -2, -3 ... is added before ".png".
std::string ScreenshotPath(const std::string& folder, std::time_t when);

}  // namespace tv
