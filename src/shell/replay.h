#pragma once
// Recorded input: everything the game received from the player, frame by frame, at the level
// the game sees it (device reads, window messages, frame times), never raw platform events,
// so a recording replays the same however the platform gathers its input.
//
// The file is text, one item per line; blank lines and lines starting with '#' are skipped:
//
//   terravik-input 2          the format and its version (first line; version 1 files, which
//                             have no hash lines, still play)
//   window W H                the main window's size in pixels while recording
//   then, for every frame in order, the window messages that reached the game before it,
//   followed by the frame's own line:
//   down left|right|middle    a mouse button pressed on the window (not on one of its buttons)
//   up                        a mouse button released on the window
//   wheel up|down             one wheel step
//   click start|more|yes|no   one of the window's buttons ("Старт", "Еще 50", "Да", "Нет") clicked
//   f MS [m DX DY DZ B0 B1 B2 B3] [k CODE[=BYTE] ...]
//                             the frame: it lasted MS milliseconds; `m` is the mouse as the frame
//                             read it (counts moved, wheel counts, the four button bytes), `k`
//                             the DirectInput key codes read as down (byte 0x80 unless given).
//                             A frame without `m` or `k` read all zeros.
//   hash N H                  a checkpoint after the frame line that made N frames: the state
//                             hash (16 hex digits, as --dump-state's state_hash) the game had
//                             then; written every kCheckpointFrames frames
//
// Playing a recording back feeds the same messages and reads to the game and steps the clock by
// the recorded frame times, which reproduces the recorded run exactly; the checkpoints say at
// which frame a replay that does not has gone its own way.

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/atomic_file.h"
#include "platform/input.h"

namespace tv {

struct Game;

enum class WindowMessageKind : uint8_t { MouseDown, MouseUp, WheelDown, WheelUp, Click };

struct WindowMessage {
    WindowMessageKind kind = WindowMessageKind::MouseUp;
    int32_t arg = 0;  // MouseDown: the MouseButton; Click: the FormButtonId
    bool operator==(const WindowMessage&) const = default;
};

struct InputFrame {
    uint32_t frameMs = 0;
    std::vector<WindowMessage> messages;  // before the frame, in the order they arrived
    MouseState mouse;                     // what the frame's mouse read returned
    std::vector<std::pair<uint8_t, uint8_t>> keys;  // (code, byte) of the non-zero key bytes, codes ascending
};

// The state hash a run had once `frame` frames had run.
struct ReplayCheckpoint {
    int64_t frame = 0;
    uint64_t hash = 0;
    bool operator==(const ReplayCheckpoint&) const = default;
};

// A recording writes a checkpoint after every this many frames.
inline constexpr int64_t kCheckpointFrames = 60;

// A recording's frames, stored compactly: 28 bytes a frame plus 8 a message and 2 a key, in
// three flat arrays (an InputFrame of its own would cost ~100 bytes a line).
class RecordedFrames {
public:
    size_t size() const { return frames_.size(); }
    bool empty() const { return frames_.empty(); }
    // Frame i expanded; the reference stays valid until the next call on this object.
    const InputFrame& operator[](size_t i) const;
    void push_back(const InputFrame& frame);
    // Bytes of input stored (the arrays' contents; their growth may hold up to twice as much).
    size_t StoredBytes() const;

private:
    struct Stored {
        uint32_t frameMs = 0;
        MouseState mouse;
        uint32_t messagesEnd = 0;  // one past its last message in messages_
        uint32_t keysEnd = 0;      // one past its last key in keys_
    };
    std::vector<Stored> frames_;
    std::vector<WindowMessage> messages_;
    std::vector<std::pair<uint8_t, uint8_t>> keys_;
    mutable InputFrame expanded_;
};

struct InputRecording {
    int32_t version = 0;  // as the first line says
    int32_t width = 0;
    int32_t height = 0;
    RecordedFrames frames;
    std::vector<ReplayCheckpoint> checkpoints;  // frames ascending
};

// A recording stores at most this much input (frames, messages, keys; twice as much with the
// arrays' growth, so 64 MB at the most). A frame line of four bytes costs 28.
inline constexpr size_t kMaxRecordingStoredBytes = size_t{32} << 20;

// The file's first two lines.
std::string FormatRecordingHeader(int32_t width, int32_t height);
// One frame's message lines and its `f` line, each ending in '\n'.
std::string FormatInputFrame(const InputFrame& frame);
// A checkpoint's line, ending in '\n'.
std::string FormatCheckpoint(const ReplayCheckpoint& checkpoint);
// Reads a whole recording. On malformed text returns the error naming the line and what is
// wrong; `out` is then unspecified. Refused as well, at the line that passes the cap:
// a window outside the settings' range (kMinWindowWidth x kMinWindowHeight to kMaxWindowSide),
// more "click more" lines than --waves allows (kMaxWaves), more than kMaxRecordingStoredBytes.
Status ParseRecording(const std::string& text, InputRecording& out);
// No line of a recording is this long (a frame with every key down is about 2 KB).
inline constexpr size_t kMaxRecordingLineBytes = size_t{64} << 10;
// Reads and parses the recording file at `path` as ParseRecording does, a piece at a time, so
// the text is never held whole; a line longer than kMaxRecordingLineBytes is refused too. A
// missing file, a directory or anything not a regular file (a FIFO is refused without waiting
// on it) is refused with the reason. A failure's message begins with the path.
Status ReadRecordingFile(const std::string& path, InputRecording& out);

// Delivers one message to the game as the main window does (GL: window_events.cpp). A click
// may run the start-up, whose unguarded steps throw.
void SendWindowMessage(Game& game, const WindowMessage& message);

// Writes a recording as the game runs, one frame at a time, so a run that ends abruptly still
// leaves every finished frame on disk.
class RecordingWriter {
public:
    RecordingWriter() = default;
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;
    // Creates the file's temporary beside it and writes the header; false with status() when
    // it cannot be created.
    bool Open(const std::string& path, int32_t width, int32_t height);
    void Write(const InputFrame& frame);
    // Writes the checkpoint line when `frame` (the frames run so far, the one just written
    // included) is a checkpoint's; `hash` is only called then.
    template <typename HashOf>
    void WriteCheckpointIfDue(int64_t frame, HashOf&& hash) {
        if (file_ && frame > 0 && frame % kCheckpointFrames == 0) WriteText(FormatCheckpoint({frame, hash()}));
    }
    // Flushes and closes, and puts the recording in place of the file; false when anything
    // failed to reach the disk, and then the temporary is removed and the file untouched.
    bool Close();
    // Why writing failed; ok while nothing has.
    Status status() const { return error_.empty() ? Status() : Status(Error(error_)); }

private:
    void WriteText(const std::string& text);
    AtomicFile atomic_;
    std::FILE* file_ = nullptr;  // atomic_'s stream while open
    std::string path_;
    std::string error_;
};

// Compares a replay with its recording's checkpoints as its frames run.
class CheckpointChecker {
public:
    explicit CheckpointChecker(const std::vector<ReplayCheckpoint>* checkpoints) : checkpoints_(checkpoints) {}
    // After the frame that made `frame` frames: when the recording holds a checkpoint for it,
    // calls `hash` and compares. Returns the divergence ("replay diverged at frame N:
    // expected H, got H'") at the first mismatch, else ok.
    template <typename HashOf>
    Status Check(int64_t frame, HashOf&& hash) {
        if (!checkpoints_) return {};
        while (next_ < checkpoints_->size() && (*checkpoints_)[next_].frame < frame) ++next_;
        if (next_ >= checkpoints_->size() || (*checkpoints_)[next_].frame != frame) return {};
        return Compare((*checkpoints_)[next_++], hash());
    }

private:
    static Status Compare(const ReplayCheckpoint& expected, uint64_t got);
    const std::vector<ReplayCheckpoint>* checkpoints_;
    size_t next_ = 0;
};

// The devices as a replay presents them: every read returns what the current frame recorded.
class ReplayInput : public InputDevices {
public:
    void SetFrame(const InputFrame* frame) { frame_ = frame; }
    int InitKeyboard() override { return keyboard_ = true, kInputOk; }
    int InitMouse() override { return mouse_ = true, kInputOk; }
    bool HasKeyboard() const override { return keyboard_; }
    bool HasMouse() const override { return mouse_; }
    int ReadKeyboard(KeyboardState& keys) override;
    int ReadMouse(MouseState& mouse) override;
    int AcquireKeyboard() override { return kInputOk; }
    int AcquireMouse() override { return kInputOk; }
    void ReleaseKeyboard() override { keyboard_ = false; }
    void ReleaseInputObject() override {}
    void ReleaseMouse() override { mouse_ = false; }

private:
    const InputFrame* frame_ = nullptr;
    bool keyboard_ = false;
    bool mouse_ = false;
};

// Passes every call to the real devices and notes what the reads returned in Frame().
class RecordingInput : public InputDevices {
public:
    explicit RecordingInput(InputDevices& devices) : devices_(devices) {}
    InputFrame& Frame() { return frame_; }
    int InitKeyboard() override { return devices_.InitKeyboard(); }
    int InitMouse() override { return devices_.InitMouse(); }
    bool HasKeyboard() const override { return devices_.HasKeyboard(); }
    bool HasMouse() const override { return devices_.HasMouse(); }
    int ReadKeyboard(KeyboardState& keys) override;
    int ReadMouse(MouseState& mouse) override;
    int AcquireKeyboard() override { return devices_.AcquireKeyboard(); }
    int AcquireMouse() override { return devices_.AcquireMouse(); }
    void ReleaseKeyboard() override { devices_.ReleaseKeyboard(); }
    void ReleaseInputObject() override { devices_.ReleaseInputObject(); }
    void ReleaseMouse() override { devices_.ReleaseMouse(); }

private:
    InputDevices& devices_;
    InputFrame frame_;
};

}  // namespace tv
