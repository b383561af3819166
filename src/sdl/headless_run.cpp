#include "sdl/headless_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>

#include "common/report.h"
#include "platform/clock.h"
#include "shell/gl/frame.h"
#include "shell/main_form.h"
#include "shell/state_dump.h"

namespace tv::sdl {
namespace {

using SteadyClock = std::chrono::steady_clock;

// A main window that is never shown: it has a size (the recording's, or the one asked for)
// and no rendering context.
class NoWindow : public MainWindowPort {
public:
    NoWindow(int w, int h) : w_(w), h_(h) {}
    void SetCaption(const std::string&) override {}
    void Close() override { closed_ = true; }
    int Width() const override { return w_; }
    int Height() const override { return h_; }
    bool MakeGLCurrent() override { return false; }
    void DeleteGLContext() override {}
    void SwapBuffers() override {}
    bool Closed() const { return closed_; }

private:
    int w_, h_;
    bool closed_ = false;
};

class HeadlessLoop {
public:
    HeadlessLoop(const RunOptions& options, const InputRecording* replay, int width, int height)
        : options_(options), replay_(replay), window_(width, height) {
        clock_.SetTicks(3600000);  // as a windowed fixed-step run starts
        game_.Headless = true;
        game_.platform.clock = &clock_;
        game_.platform.input = &input_;
        game_.platform.window = &window_;
        game_.dataDirOverride = options.dataDir;
        counting_ = !options.autostart;
    }

    Game& game() { return game_; }
    RecordingWriter* recorder_ = nullptr;  // set before Run when recording
    Status error_;
    Status divergence_;
    FrameStats stats_;
    int64_t framesRun_ = 0;
    double wallSeconds_ = 0.0;
    std::optional<SteadyClock::time_point> startupDone_;
    int64_t smokePeak_ = 0;

    // The main loop's frame sequence without its devices: false when a click's start-up threw.
    bool Run() {
        if (recorder_) game_.platform.input = &recording_;
        FormActivate(game_);
        bool autostartPending = options_.autostart;
        if (options_.frames == 0) {
            if (autostartPending) pendingClick_ = kButton3;
            return RunButtonClick();
        }
        std::optional<SteadyClock::time_point> first;
        SteadyClock::time_point last{};
        while (!window_.Closed()) {
            LayoutButtons(game_.form, window_.Width(), window_.Height());
            const bool startupClick = pendingClick_ == kButton3 && !counting_;
            if (!RunButtonClick()) return false;
            if (window_.Closed()) break;
            if (startupClick) {
                if (game_.InitOK) startupDone_ = SteadyClock::now();
                counting_ = true;
                if (game_.InitOK)
                    for (int64_t w = 0; w < options_.waves; ++w) ClickButton(game_, kButton4);
            }
            const InputFrame* replayed = nullptr;
            if (replay_) {
                if (next_ >= replay_->frames.size()) break;  // the recording is over
                replayed = &replay_->frames[next_++];
                for (const WindowMessage& m : replayed->messages)
                    if (!Deliver(m)) return false;
                if (window_.Closed()) break;
            }
            input_.SetFrame(replayed);
            const bool lastFrame =
                counting_ && options_.frames > 0 && static_cast<int64_t>(stats_.Count()) + 1 >= options_.frames;
            const auto start = SteadyClock::now();
            if (counting_ && !first) first = start;
            const uint32_t frameMs = replayed ? replayed->frameMs : static_cast<uint32_t>(options_.frameMs);
            clock_.Advance(frameMs);
            bool done = true;
            ApplicationEvents1Idle(game_, done);
            ++framesRun_;
            last = SteadyClock::now();
            if (game_.Planes && game_.Planes->Smoke)
                smokePeak_ = std::max<int64_t>(smokePeak_, game_.Planes->Smoke->Count);
            if (counting_) stats_.Add(std::chrono::duration<double, std::milli>(last - start).count());
            const auto hash = [&] { return StateHash(TakeSnapshot(game_, framesRun_)); };
            if (recorder_) {
                InputFrame& recorded = recording_.Frame();
                recorded.frameMs = frameMs;
                recorder_->Write(recorded);
                recorded = InputFrame{};
                recorder_->WriteCheckpointIfDue(framesRun_, hash);
            }
            divergence_ = checkpoints_.Check(framesRun_, hash);
            if (!divergence_.ok()) break;
            if (autostartPending) {
                autostartPending = false;
                pendingClick_ = kButton3;
            }
            if (lastFrame) break;
        }
        if (first) wallSeconds_ = std::chrono::duration<double>(last - *first).count();
        return true;
    }

private:
    bool RunButtonClick() {
        if (pendingClick_ == kFormButtonCount) return true;
        const FormButtonId id = pendingClick_;
        pendingClick_ = kFormButtonCount;
        return Deliver({WindowMessageKind::Click, id});
    }

    bool Deliver(const WindowMessage& m) {
        if (recorder_) recording_.Frame().messages.push_back(m);
        try {
            SendWindowMessage(game_, m);
        } catch (const std::exception& ex) {
            error_ = AsError(ex);
            return false;
        }
        return true;
    }

    const RunOptions& options_;
    const InputRecording* replay_;
    NoWindow window_;
    StepClock clock_;
    ReplayInput input_;  // the recording's reads, or all zeros without one
    RecordingInput recording_{input_};
    CheckpointChecker checkpoints_{replay_ ? &replay_->checkpoints : nullptr};
    Game game_;
    size_t next_ = 0;
    bool counting_ = true;
    FormButtonId pendingClick_ = kFormButtonCount;
};

}  // namespace

int RunHeadless(const RunOptions& options, const InputRecording* replay, const Settings& settings,
                const std::string& executablePath) {
    const auto programStart = SteadyClock::now();
    // Nothing here reaches for a GPU: a headless game makes no context and so no renderer's
    // store, and the loaders, handed none, keep what the game simulates and make no GPU object.
    const int width = options.windowedWidth > 0 ? options.windowedWidth : settings.video.width;
    const int height = options.windowedHeight > 0 ? options.windowedHeight : settings.video.height;
    int status = 0;
    RecordingWriter recorder;
    if (!options.record.empty() && !recorder.Open(options.record, width, height)) {
        Report(recorder.status().error());
        return 1;
    }
    auto loop = std::make_unique<HeadlessLoop>(options, replay, width, height);
    if (!options.record.empty()) loop->recorder_ = &recorder;
    loop->game().executablePath = executablePath;
    loop->game().settings = settings;
    const bool ok = loop->Run();
    if (!recorder.Close()) {
        Report(recorder.status().error());
        status = 1;
    }
    Game& game = loop->game();
    const GameStateSnapshot state = TakeSnapshot(game, loop->framesRun_);
    if (!options.dumpState.empty()) {
        std::ofstream out(options.dumpState, std::ios::binary | std::ios::trunc);
        out << StateJson(state) << "\n";
        out.close();
        if (!out) {
            Report(Error("could not write " + options.dumpState));
            status = 1;
        }
    }
    const T_Particles_System* smoke = game.Planes ? game.Planes->Smoke : nullptr;
    const std::string smokeReport =
        smoke ? "smoke particles: peak " + std::to_string(loop->smokePeak_) + " of " + std::to_string(smoke->Budget) +
                    ", replaced " + std::to_string(smoke->Replaced)
              : std::string();
    FormDestroy(game);
    std::printf("%s, state_hash %s\n", loop->stats_.Report(loop->wallSeconds_).c_str(),
                HashHex(StateHash(state)).c_str());
    if (!smokeReport.empty()) std::printf("%s\n", smokeReport.c_str());
    if (loop->startupDone_)
        std::printf("start-up %.3f s from the program's start to the game's first frame\n",
                    std::chrono::duration<double>(*loop->startupDone_ - programStart).count());
    if (!ok) {
        Report(loop->error_.error());
        status = 1;
    }
    if (!loop->divergence_.ok()) {
        Report(loop->divergence_.error());
        status = 3;
    }
    return status;
}

}  // namespace tv::sdl
