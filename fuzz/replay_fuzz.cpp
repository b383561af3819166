// Recordings: any text parses or is refused naming its line; what parses holds a window in
// the settings' range, costs a bounded multiple of the text, and formats back to a recording
// that parses to the same frames.
#include <string>

#include "fuzz_support.h"
#include "shell/replay.h"
#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    const std::string text(reinterpret_cast<const char*>(data), size);
    InputRecording rec;
    const std::string error = ParseRecording(text, rec).Message();
    if (!error.empty()) {
        fuzz::Check(error.rfind("line ", 0) == 0 || error == "the recording has no header", "error names the line");
        return 0;
    }
    fuzz::Check(rec.width >= kMinWindowWidth && rec.width <= kMaxWindowSide, "width in range");
    fuzz::Check(rec.height >= kMinWindowHeight && rec.height <= kMaxWindowSide, "height in range");
    fuzz::Check(rec.frames.StoredBytes() <= 8 * size, "storage bounded by the text");

    std::string written = FormatRecordingHeader(rec.width, rec.height);
    for (size_t i = 0; i < rec.frames.size(); ++i) written += FormatInputFrame(rec.frames[i]);
    InputRecording again;
    fuzz::Check(ParseRecording(written, again).ok(), "the written recording parses");
    fuzz::Check(again.frames.size() == rec.frames.size(), "same frame count");
    std::string rewritten = FormatRecordingHeader(again.width, again.height);
    for (size_t i = 0; i < again.frames.size(); ++i) rewritten += FormatInputFrame(again.frames[i]);
    fuzz::Check(rewritten == written, "recording round trip");
    return 0;
}
