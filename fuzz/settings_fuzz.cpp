// Settings files: any text parses (what cannot be used warns and keeps its default), every
// value lands inside its range, and the file the game writes for those settings reads back
// to the same settings. (An action left without a key is written as an empty name, which
// reads back with a warning and the same empty binding.)
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    if (size > kMaxSettingsBytes) return 0;  // the loader refuses larger files unread
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> warnings;
    // Some names count as keys, as the SDL side's check would decide.
    const KeyNameCheck isKey = [](const std::string& name) { return name.size() < 12; };
    const Settings s = ParseSettings(text, "fuzz.ini", warnings, isKey);
    const VideoSettings& v = s.video;
    fuzz::Check(v.width >= kMinWindowWidth && v.width <= kMaxWindowSide, "width in range");
    fuzz::Check(v.height >= kMinWindowHeight && v.height <= kMaxWindowSide, "height in range");
    fuzz::Check(v.maxFps >= 0 && v.maxFps <= kMaxFpsLimit, "fps limit in range");
    for (double d : {s.input.mouseSensitivity, s.input.controllerSensitivity})
        fuzz::Check(d >= kMinSensitivity && d <= kMaxSensitivity, "sensitivity in range");
    for (int p : {s.audio.masterVolume, s.audio.effectsVolume, s.audio.musicVolume})
        fuzz::Check(p >= 0 && p <= 100, "volume in range");
    for (const std::string& w : warnings) fuzz::Check(w.rfind("fuzz.ini:", 0) == 0, "warning names the file");

    const std::string written = FormatSettings(s);
    std::vector<std::string> again;
    fuzz::Check(FormatSettings(ParseSettings(written, "written.ini", again, isKey)) == written, "settings round trip");
    return 0;
}
