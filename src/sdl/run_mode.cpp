#include "sdl/run_mode.h"

#include "sdl/sdl_input.h"

namespace tv::sdl {

RunMode::RunMode(SdlInput& devices, const InputRecording* replay, RecordingWriter* recorder)
    : devices_(devices), replay_(replay), recorder_(recorder), recordingInput_(devices),
      checkpoints_(replay ? &replay->checkpoints : nullptr) {
    // A replay that records writes what it plays (with fresh checkpoints).
    recording_ = replay_ ? &replayRecordingInput_ : &recordingInput_;
}

InputDevices& RunMode::Input() {
    if (recorder_) return *recording_;
    if (replay_) return replayInput_;
    return devices_;
}

const InputFrame* RunMode::NextReplayed() {
    if (replayNext_ >= replay_->frames.size()) return nullptr;
    return &replay_->frames[replayNext_++];
}

void RunMode::Note(const WindowMessage& m) {
    if (recorder_) recording_->Frame().messages.push_back(m);
}

}  // namespace tv::sdl
