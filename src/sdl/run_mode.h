#pragma once
// Where a run's input comes from and where it goes: the devices (play), the devices noted
// into a recording (record), a recording (replay, its checkpoints checked), or a recording
// noted again with fresh checkpoints (a replay that records).

#include <cstddef>
#include <cstdint>
#include <string>

#include "shell/replay.h"

namespace tv::sdl {

class SdlInput;

class RunMode {
public:
    // `replay` (may be null) supplies the input instead of `devices`; `recorder` (may be null,
    // open) receives the input as it is played.
    RunMode(SdlInput& devices, const InputRecording* replay, RecordingWriter* recorder);
    RunMode(const RunMode&) = delete;
    RunMode& operator=(const RunMode&) = delete;

    bool Replaying() const { return replay_ != nullptr; }
    bool Recording() const { return recorder_ != nullptr; }
    // What the game reads its input from.
    InputDevices& Input();

    // The next recorded frame, or null when the recording is over.
    const InputFrame* NextReplayed();
    // The game reads the replayed frame's devices from now on.
    void PlayFrame(const InputFrame* frame) { replayInput_.SetFrame(frame); }
    // Notes a window message handed to the game (recording only).
    void Note(const WindowMessage& m);
    // After frame `framesRun`, which lasted `frameMs` on the game's clock: writes what it
    // read (recording only), with a checkpoint when one is due; then checks the replay's
    // checkpoint. Returns the first difference from the replay, ok if none.
    template <typename HashOf>
    Status EndFrame(uint32_t frameMs, int64_t framesRun, HashOf&& hash) {
        if (recorder_) {
            InputFrame& recorded = recording_->Frame();
            recorded.frameMs = frameMs;
            recorder_->Write(recorded);
            recorded = InputFrame{};
            recorder_->WriteCheckpointIfDue(framesRun, hash);
        }
        return checkpoints_.Check(framesRun, hash);
    }

private:
    SdlInput& devices_;
    const InputRecording* replay_;
    RecordingWriter* recorder_;
    size_t replayNext_ = 0;  // the next recorded frame to play
    RecordingInput recordingInput_;
    ReplayInput replayInput_;
    RecordingInput replayRecordingInput_{replayInput_};
    RecordingInput* recording_ = nullptr;  // what a recording run notes the reads in
    CheckpointChecker checkpoints_;
};

}  // namespace tv::sdl
