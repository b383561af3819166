#pragma once
// The frame-cost yardstick: how long this machine's GL takes to fill the viewport once with
// one textured layer. Frame times divided by it say how many full-screen layers a frame costs,
// a figure that holds on a busy or a quiet machine alike, where raw milliseconds do not.
//
// Needs a current GL context. Leaves the GL state (matrices, attributes, bindings) as it found
// it, but draws into the back buffer: call it between frames, before the next frame's clear.

namespace tv {

class LayerYardstick {
public:
    LayerYardstick() = default;
    ~LayerYardstick();
    LayerYardstick(const LayerYardstick&) = delete;
    LayerYardstick& operator=(const LayerYardstick&) = delete;

    // Draws one full-screen textured layer into a width x height viewport (no blending, no
    // depth test, a 256 x 256 linear-filtered texture stretched over it).
    void DrawLayer(int width, int height);
    // Milliseconds per layer: the median of `rounds` timings of `layers` layers each, waited
    // out with glFinish.
    double MeasureMs(int width, int height, int rounds = 5, int layers = 4);
    // Deletes the texture while the context is current.
    void Release();

private:
    unsigned texture_ = 0;
};

}  // namespace tv
