#include "shell/replay.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>

#include <unistd.h>

#include "common/binary_io.h"
#include "platform/text_encoding.h"
#include "shell/game.h"
#include "shell/state_dump.h"
#include "shell/run_options.h"
#include "shell/settings.h"

namespace tv {
namespace {

constexpr std::string_view kMagic = "terravik-input";
constexpr int kVersion = 2;         // what the game writes
constexpr int kOldestVersion = 1;   // version 1: no checkpoints

constexpr std::array<const char*, 3> kMouseButtonNames = {"left", "right", "middle"};
// Indexed by FormButtonId; the label (Button5) cannot be clicked.
constexpr std::array<const char*, kFormButtonCount> kFormButtonNames = {"start", "more", "", "yes", "no"};

std::vector<std::string_view> Split(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// A word of the file echoed in an error, quoted, control bytes and broken UTF-8 escaped.
std::string Quote(std::string_view word) { return "\"" + EscapeForMessage(word) + "\""; }

template <typename Int>
bool ParseNumber(std::string_view s, Int& out, int64_t min, int64_t max) {
    int64_t v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size() || v < min || v > max) return false;
    out = static_cast<Int>(v);
    return true;
}

// Index of `word` in `names`, or -1.
template <size_t N>
int NameIndex(const std::array<const char*, N>& names, std::string_view word) {
    for (size_t i = 0; i < N; ++i)
        if (names[i][0] != '\0' && word == names[i]) return static_cast<int>(i);
    return -1;
}

// The words after "f": MS [m DX DY DZ B0 B1 B2 B3] [k CODE[=BYTE] ...]. Returns "" or the fault.
std::string ParseFrameWords(const std::vector<std::string_view>& w, InputFrame& frame) {
    if (w.size() < 2 || !ParseNumber(w[1], frame.frameMs, 0, UINT32_MAX)) return "a frame needs its time in ms";
    size_t i = 2;
    if (i < w.size() && w[i] == "m") {
        if (w.size() < i + 8) return "\"m\" needs three counts and four button bytes";
        MouseState& m = frame.mouse;
        if (!ParseNumber(w[i + 1], m.lX, INT32_MIN, INT32_MAX) || !ParseNumber(w[i + 2], m.lY, INT32_MIN, INT32_MAX) ||
            !ParseNumber(w[i + 3], m.lZ, INT32_MIN, INT32_MAX))
            return "bad mouse count";
        for (int b = 0; b < 4; ++b)
            if (!ParseNumber(w[i + 4 + b], m.rgbButtons[b], 0, 255)) return "bad mouse button byte";
        i += 8;
    }
    if (i < w.size() && w[i] == "k") {
        KeyboardState keys{};
        for (++i; i < w.size(); ++i) {
            std::string_view code = w[i], byte = "128";
            if (size_t eq = code.find('='); eq != std::string_view::npos) {
                byte = code.substr(eq + 1);
                code = code.substr(0, eq);
            }
            int c = 0, v = 0;
            if (!ParseNumber(code, c, 0, 255) || !ParseNumber(byte, v, 0, 255)) return "bad key " + Quote(w[i]);
            keys[c] = static_cast<uint8_t>(v);
        }
        for (int c = 0; c < 256; ++c)
            if (keys[c]) frame.keys.emplace_back(static_cast<uint8_t>(c), keys[c]);
    }
    if (i < w.size()) return "unexpected " + Quote(w[i]);
    return {};
}

// A message line, or the fault.
std::string ParseMessage(const std::vector<std::string_view>& w, WindowMessage& m) {
    if (w[0] == "up" && w.size() == 1) {
        m = {WindowMessageKind::MouseUp, 0};
        return {};
    }
    if (w.size() != 2) return Quote(w[0]) + " needs one word after it";
    if (w[0] == "down") {
        int b = NameIndex(kMouseButtonNames, w[1]);
        if (b < 0) return "unknown mouse button";
        m = {WindowMessageKind::MouseDown, b};
    } else if (w[0] == "wheel") {
        if (w[1] != "up" && w[1] != "down") return "the wheel turns up or down";
        m = {w[1] == "up" ? WindowMessageKind::WheelUp : WindowMessageKind::WheelDown, 0};
    } else if (w[0] == "click") {
        int b = NameIndex(kFormButtonNames, w[1]);
        if (b < 0) return "unknown window button";
        m = {WindowMessageKind::Click, b};
    } else {
        return "unknown line " + Quote(w[0]);
    }
    return {};
}

// The words after "hash": N H. `framesSoFar` frames were read before it.
std::string ParseCheckpointWords(const std::vector<std::string_view>& w, size_t framesSoFar,
                                 const std::vector<ReplayCheckpoint>& before, ReplayCheckpoint& out) {
    if (w.size() != 3 || !ParseNumber(w[1], out.frame, 1, INT64_MAX))
        return "a checkpoint is \"hash FRAME HASH\"";
    if (static_cast<uint64_t>(out.frame) != framesSoFar)
        return "the checkpoint of frame " + std::to_string(out.frame) + " follows frame " + std::to_string(framesSoFar);
    if (!before.empty() && before.back().frame >= out.frame) return "a second checkpoint for one frame";
    const std::string_view h = w[2];
    auto [ptr, ec] = std::from_chars(h.data(), h.data() + h.size(), out.hash, 16);
    if (h.size() != 16 || ec != std::errc() || ptr != h.data() + h.size())
        return "a checkpoint's hash is 16 hex digits, not " + Quote(h);
    return {};
}

}  // namespace

std::string FormatCheckpoint(const ReplayCheckpoint& checkpoint) {
    return "hash " + std::to_string(checkpoint.frame) + " " + HashHex(checkpoint.hash) + "\n";
}

Status CheckpointChecker::Compare(const ReplayCheckpoint& expected, uint64_t got) {
    if (got == expected.hash) return {};
    return Error("replay diverged at frame " + std::to_string(expected.frame) + ": expected " +
                 HashHex(expected.hash) + ", got " + HashHex(got));
}

const InputFrame& RecordedFrames::operator[](size_t i) const {
    const Stored& f = frames_[i];
    const size_t messagesBegin = i == 0 ? 0 : frames_[i - 1].messagesEnd;
    const size_t keysBegin = i == 0 ? 0 : frames_[i - 1].keysEnd;
    expanded_.frameMs = f.frameMs;
    expanded_.mouse = f.mouse;
    expanded_.messages.assign(messages_.begin() + static_cast<std::ptrdiff_t>(messagesBegin),
                              messages_.begin() + f.messagesEnd);
    expanded_.keys.assign(keys_.begin() + static_cast<std::ptrdiff_t>(keysBegin), keys_.begin() + f.keysEnd);
    return expanded_;
}

void RecordedFrames::push_back(const InputFrame& frame) {
    messages_.insert(messages_.end(), frame.messages.begin(), frame.messages.end());
    keys_.insert(keys_.end(), frame.keys.begin(), frame.keys.end());
    frames_.push_back({frame.frameMs, frame.mouse, static_cast<uint32_t>(messages_.size()),
                       static_cast<uint32_t>(keys_.size())});
}

size_t RecordedFrames::StoredBytes() const {
    return frames_.size() * sizeof(Stored) + messages_.size() * sizeof(WindowMessage) +
           keys_.size() * sizeof(keys_[0]);
}

std::string FormatRecordingHeader(int32_t width, int32_t height) {
    return std::string(kMagic) + " " + std::to_string(kVersion) + "\nwindow " + std::to_string(width) + " " +
           std::to_string(height) + "\n";
}

std::string FormatInputFrame(const InputFrame& frame) {
    std::string out;
    for (const WindowMessage& m : frame.messages) {
        switch (m.kind) {
            case WindowMessageKind::MouseDown:
                out += "down ";
                out += kMouseButtonNames[static_cast<size_t>(m.arg) < kMouseButtonNames.size() ? m.arg : 0];
                break;
            case WindowMessageKind::MouseUp: out += "up"; break;
            case WindowMessageKind::WheelDown: out += "wheel down"; break;
            case WindowMessageKind::WheelUp: out += "wheel up"; break;
            case WindowMessageKind::Click:
                out += "click ";
                out += kFormButtonNames[static_cast<size_t>(m.arg) < kFormButtonNames.size() ? m.arg : 0];
                break;
        }
        out += '\n';
    }
    out += "f " + std::to_string(frame.frameMs);
    const MouseState& ms = frame.mouse;
    if (ms.lX || ms.lY || ms.lZ || ms.rgbButtons[0] || ms.rgbButtons[1] || ms.rgbButtons[2] || ms.rgbButtons[3]) {
        out += " m " + std::to_string(ms.lX) + " " + std::to_string(ms.lY) + " " + std::to_string(ms.lZ);
        for (uint8_t b : ms.rgbButtons) out += " " + std::to_string(b);
    }
    if (!frame.keys.empty()) {
        out += " k";
        for (auto [code, byte] : frame.keys) {
            out += " " + std::to_string(code);
            if (byte != kDown) out += "=" + std::to_string(byte);
        }
    }
    out += '\n';
    return out;
}

namespace {

// Reads a recording line by line: the file's reader and ParseRecording feed it the same way.
class RecordingParser {
public:
    explicit RecordingParser(InputRecording& out) : out_(out) { out_ = InputRecording{}; }

    // One line without its '\n'; false with `error` naming the line at the first fault.
    bool Line(std::string_view line, std::string& error) {
        ++lineNo_;
        auto words = Split(line);
        if (words.empty() || words[0][0] == '#') return true;
        std::string fault = Parse(words);
        // Messages count as they arrive: a run of them without a frame line is stored as well.
        if (fault.empty() &&
            out_.frames.StoredBytes() + pending_.messages.size() * sizeof(WindowMessage) > kMaxRecordingStoredBytes)
            fault = "the recording holds more than " + std::to_string(kMaxRecordingStoredBytes >> 20) +
                    " MB of input";
        return Fail(fault, error);
    }
    // A line the reader would not hold whole.
    bool Fail(const std::string& fault, std::string& error) const {
        if (fault.empty()) return true;
        error = "line " + std::to_string(lineNo_) + ": " + fault;
        return false;
    }
    void CountLine() { ++lineNo_; }
    bool Finish(std::string& error) const {
        if (sawWindow_) return true;
        error = "the recording has no header";
        return false;
    }

private:
    std::string Parse(const std::vector<std::string_view>& words) {
        std::string fault;
        if (!sawMagic_) {
            int version = 0;
            if (words.size() != 2 || words[0] != kMagic || !ParseNumber(words[1], version, 0, INT32_MAX))
                fault = "not a recording (it must begin with \"terravik-input " + std::to_string(kVersion) + "\")";
            else if (version < kOldestVersion || version > kVersion)
                fault = "recording version " + std::to_string(version) + " is not supported";
            out_.version = version;
            sawMagic_ = true;
        } else if (!sawWindow_) {
            if (words.size() != 3 || words[0] != "window" ||
                !ParseNumber(words[1], out_.width, kMinWindowWidth, kMaxWindowSide) ||
                !ParseNumber(words[2], out_.height, kMinWindowHeight, kMaxWindowSide))
                fault = "the second line must be \"window WIDTH HEIGHT\", from " + std::to_string(kMinWindowWidth) +
                        " " + std::to_string(kMinWindowHeight) + " to " + std::to_string(kMaxWindowSide) + " " +
                        std::to_string(kMaxWindowSide);
            sawWindow_ = true;
        } else if (words[0] == "hash" && out_.version >= 2) {
            ReplayCheckpoint c;
            fault = ParseCheckpointWords(words, out_.frames.size(), out_.checkpoints, c);
            if (fault.empty()) out_.checkpoints.push_back(c);
        } else if (words[0] == "f") {
            fault = ParseFrameWords(words, pending_);
            if (fault.empty()) {
                out_.frames.push_back(pending_);
                pending_ = InputFrame{};
            }
        } else {
            WindowMessage m;
            fault = ParseMessage(words, m);
            if (fault.empty()) pending_.messages.push_back(m);
            // Each "Еще 50" is fifty aircraft: a recording may press it as often as --waves may.
            if (fault.empty() && m.kind == WindowMessageKind::Click && m.arg == kButton4 && ++moreClicks_ > kMaxWaves)
                fault = "more than " + std::to_string(kMaxWaves) + " \"click more\" lines (the cap of --waves)";
        }
        return fault;
    }

    InputRecording& out_;
    InputFrame pending_;
    bool sawMagic_ = false, sawWindow_ = false;
    int64_t moreClicks_ = 0;
    size_t lineNo_ = 0;
};

}  // namespace

namespace {
bool ParseRecordingText(const std::string& text, InputRecording& out, std::string& error) {
    RecordingParser parser(out);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        if (!parser.Line(std::string_view(text.data() + pos, end - pos), error)) return false;
        pos = end + 1;
    }
    return parser.Finish(error);
}

bool ReadRecordingText(const std::string& path, InputRecording& out, std::string& error) {
    Status opened;
    const int fd = OpenRegularFile(path, opened);
    if (fd < 0) {
        error = "cannot read the recording " + path + ": " + opened.error().reason();
        return false;
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    RecordingParser parser(out);
    // The file goes through a small buffer: what stays in memory is the parsed input, which
    // the parser caps, never the text.
    std::vector<char> chunk(size_t{64} << 10);
    std::string line;  // a line begun in an earlier chunk
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = "cannot read the recording " + path + ": " + std::strerror(errno);
            return false;
        }
        if (got == 0) break;
        std::string_view rest(chunk.data(), static_cast<size_t>(got));
        for (size_t nl; (nl = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(nl + 1)) {
            bool ok;
            if (line.empty()) {
                ok = parser.Line(rest.substr(0, nl), error);
            } else {
                line.append(rest.substr(0, nl));
                ok = parser.Line(line, error);
                line.clear();
            }
            if (!ok) {
                error = path + ": " + error;
                return false;
            }
        }
        line.append(rest);
        if (line.size() > kMaxRecordingLineBytes) {
            parser.CountLine();
            parser.Fail("longer than " + std::to_string(kMaxRecordingLineBytes) + " bytes", error);
            error = path + ": " + error;
            return false;
        }
    }
    if ((!line.empty() && !parser.Line(line, error)) || !parser.Finish(error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace

Status ParseRecording(const std::string& text, InputRecording& out) {
    std::string error;
    if (ParseRecordingText(text, out, error)) return {};
    return Error(error);
}

Status ReadRecordingFile(const std::string& path, InputRecording& out) {
    std::string error;
    if (ReadRecordingText(path, out, error)) return {};
    return Error(error);
}

RecordingWriter::~RecordingWriter() { Close(); }

bool RecordingWriter::Open(const std::string& path, int32_t width, int32_t height) {
    Close();
    path_ = path;
    error_.clear();
    // Written beside the target and put in place by Close: a run that cannot be recorded
    // whole leaves no half recording, and an older one of the same name stays.
    if (!atomic_.Open(path)) {
        error_ = atomic_.status().Message();
        return false;
    }
    file_ = atomic_.Stream();
    const std::string header = FormatRecordingHeader(width, height);
    std::fputs(header.c_str(), file_);
    return true;
}

void RecordingWriter::Write(const InputFrame& frame) {
    if (file_) WriteText(FormatInputFrame(frame));
}

void RecordingWriter::WriteText(const std::string& text) {
    // Flushed per frame: a frame is on disk (in the temporary file) once it has run.
    if ((std::fputs(text.c_str(), file_) < 0 || std::fflush(file_) != 0) && error_.empty())
        error_ = "cannot write " + path_ + ": " + std::strerror(errno);
}

bool RecordingWriter::Close() {
    if (!file_) return error_.empty();
    file_ = nullptr;  // the stream belongs to atomic_
    if (!error_.empty()) {
        atomic_.Discard();
        return false;
    }
    if (!atomic_.Commit()) error_ = atomic_.status().Message();
    return error_.empty();
}

int ReplayInput::ReadKeyboard(KeyboardState& keys) {
    if (!keyboard_) return kInputFailed;
    keys.fill(0);
    if (frame_)
        for (auto [code, byte] : frame_->keys) keys[code] = byte;
    return kInputOk;
}

int ReplayInput::ReadMouse(MouseState& mouse) {
    if (!mouse_) return kInputFailed;
    mouse = frame_ ? frame_->mouse : MouseState{};
    return kInputOk;
}

int RecordingInput::ReadKeyboard(KeyboardState& keys) {
    int rc = devices_.ReadKeyboard(keys);
    frame_.keys.clear();
    if (rc != kInputOk) return rc;  // the game reads zeros after a failed read; so does the replay
    for (int c = 0; c < 256; ++c)
        if (keys[c]) frame_.keys.emplace_back(static_cast<uint8_t>(c), keys[c]);
    return rc;
}

int RecordingInput::ReadMouse(MouseState& mouse) {
    int rc = devices_.ReadMouse(mouse);
    frame_.mouse = rc == kInputOk ? mouse : MouseState{};
    return rc;
}

}  // namespace tv
