// The command line: the input split at NUL bytes is argv[1..]; every list either parses with
// each value in its range or is refused with a message.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "shell/run_options.h"
#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    RunOptions o;
    const std::string error = ParseRunOptions(args, o).Message();
    if (!error.empty()) return 0;
    fuzz::Check(o.waves >= 0 && o.waves <= kMaxWaves, "waves in range");
    fuzz::Check(o.frameMs >= -1 && o.frameMs <= 60000, "frame time in range");
    fuzz::Check(o.frames >= -1, "frames in range");
    fuzz::Check(o.windowedWidth == 0 || (o.windowedWidth >= kMinWindowWidth && o.windowedWidth <= kMaxWindowSide),
                "windowed width in range");
    fuzz::Check(o.windowedHeight == 0 || (o.windowedHeight >= kMinWindowHeight && o.windowedHeight <= kMaxWindowSide),
                "windowed height in range");
    Settings s;
    ApplyCommandLine(s, o);
    fuzz::Check(s.video.width >= kMinWindowWidth && s.video.width <= kMaxWindowSide, "applied width in range");
    return 0;
}
