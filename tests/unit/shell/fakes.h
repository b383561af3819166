#pragma once
// Platform ports for driving the shell without SDL or GL.

#include <string>
#include <vector>

#include "shell/game.h"

namespace tv::test {

class FakeWindow : public MainWindowPort {
public:
    void SetCaption(const std::string& c) override { captions.push_back(c); }
    void Close() override { closed = true; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    bool MakeGLCurrent() override { return hasContext; }
    void DeleteGLContext() override { calls->push_back("delete context"); }
    void SwapBuffers() override { ++swaps; }

    std::vector<std::string> captions;
    std::vector<std::string>* calls = &ownCalls;
    std::vector<std::string> ownCalls;
    bool closed = false;
    bool hasContext = false;
    int width = 1024;
    int height = 768;
    int swaps = 0;
};

class FakeInput : public InputDevices {
public:
    int InitKeyboard() override { return keyboard = keyboardResult >= 0, keyboardResult; }
    int InitMouse() override { return mouse = mouseResult >= 0, mouseResult; }
    bool HasKeyboard() const override { return keyboard; }
    bool HasMouse() const override { return mouse; }
    int ReadKeyboard(KeyboardState& k) override {
        if (keyboardReadFails) return kInputLost;
        k = keys;
        return kInputOk;
    }
    int ReadMouse(MouseState& m) override {
        if (mouseReadFails) return kInputLost;
        m = next;
        next = MouseState{};
        return kInputOk;
    }
    int AcquireKeyboard() override { return ++keyboardAcquires, kInputOk; }
    int AcquireMouse() override { return ++mouseAcquires, kInputOk; }
    void ReleaseKeyboard() override { calls->push_back("release keyboard"); }
    void ReleaseInputObject() override { calls->push_back("release input"); }
    void ReleaseMouse() override { calls->push_back("release mouse"); }

    int keyboardResult = 0;
    int mouseResult = 0;
    bool keyboard = false;
    bool mouse = false;
    bool keyboardReadFails = false;
    bool mouseReadFails = false;
    int keyboardAcquires = 0;
    int mouseAcquires = 0;
    KeyboardState keys{};
    MouseState next;
    std::vector<std::string>* calls = &ownCalls;
    std::vector<std::string> ownCalls;
};

// A Game wired to fakes, with no rendering context: frames do everything but draw.
struct FakeGame {
    StepClock clock;
    FakeInput input;
    FakeWindow window;
    Game game;
    FakeGame() {
        game.platform.clock = &clock;
        game.platform.input = &input;
        game.platform.window = &window;
    }
};

}  // namespace tv::test
