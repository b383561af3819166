#pragma once
// Where a frame's drawing time goes, for --draw-parts. Each mark waits for the driver to
// finish (glFinish) and charges the time since the previous mark to its part. The waits keep
// the driver from overlapping one part with the next, so a run that takes them has frame
// times of its own, not a timedemo's.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class DrawParts {
public:
    // A frame's drawing starts: waits for what came before, which no part is charged.
    void BeginFrame();
    // The time since the previous mark, or since BeginFrame, goes to `part`.
    void Mark(std::string_view part);
    // "draw parts over N frames, ms a frame: sky 0.86, terrain 7.41, ..., total 21.75", the
    // parts in the order first marked; empty before the first frame.
    std::string Report() const;
    // A part's ms a frame; 0 for a part never marked.
    double PartMs(std::string_view part) const;

private:
    struct Part {
        std::string name;
        double totalMs = 0.0;
    };
    std::vector<Part> parts_;
    int64_t frames_ = 0;
    double lastMs_ = 0.0;
};

}  // namespace tv
