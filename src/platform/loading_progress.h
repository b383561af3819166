#pragma once
// What the model loaders tell the small loading window while they read a mesh. The SDL
// window implements it (sdl/loading_window_sdl.h); tests record the calls.
// Texts are UTF-8. Every call repaints nothing by itself except Repaint.

#include <string>

namespace tv {

class LoadingProgress {
public:
    virtual ~LoadingProgress() = default;
    // Makes the window visible (brings it up if hidden) and sets the model label to `path`.
    virtual void Show(const std::string& path) = 0;
    // Bar position (0..100; larger values show as a full bar) and the counter label's text.
    virtual void SetProgress(int position, const std::string& caption) = 0;
    // Draws the window now, synchronously: the loader does not return to the event loop.
    virtual void Repaint() = 0;
    // Hides the window for good; start-up calls it once every resource is loaded.
    virtual void Close() = 0;
};

// The counter label's text: "треугольник  " + done + "из  " + total (no space before "из").
std::string TriangleProgressCaption(int done, int total);

// Drives a LoadingProgress through the triangles of one mesh of `total` triangles the way the
// loaders do (after they have shown the window): Triangle(i) is called once triangle i (0-based)
// is read and updates the bar every 51st triangle; End sets 100 and the final caption, and
// repaints. A null sink is allowed.
class TriangleProgress {
public:
    TriangleProgress(LoadingProgress* sink, int total) : sink_(sink), total_(total) {}
    void Triangle(int index);
    void End();
    // Bar position after `done` triangles of `total`: done / (total / 100), both truncated.
    // Under 100 triangles that divisor is 0, so those meshes show done * 100 / total instead.
    static int Position(int done, int total);

private:
    LoadingProgress* sink_;
    int total_;
    int counter_ = 0;
};

}  // namespace tv
