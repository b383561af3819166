#include "render/gl/draw_parts.h"

#include <epoxy/gl.h>

#include <chrono>
#include <cstdio>

namespace tv {
namespace {

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void DrawParts::BeginFrame() {
    glFinish();
    lastMs_ = NowMs();
    ++frames_;
}

void DrawParts::Mark(std::string_view part) {
    glFinish();
    const double now = NowMs();
    Part* found = nullptr;
    for (Part& p : parts_)
        if (p.name == part) found = &p;
    if (!found) found = &parts_.emplace_back(Part{std::string(part), 0.0});
    found->totalMs += now - lastMs_;
    lastMs_ = now;
}

double DrawParts::PartMs(std::string_view part) const {
    for (const Part& p : parts_)
        if (p.name == part && frames_ > 0) return p.totalMs / static_cast<double>(frames_);
    return 0.0;
}

std::string DrawParts::Report() const {
    if (frames_ == 0) return {};
    std::string text = "draw parts over " + std::to_string(frames_) + " frames, ms a frame:";
    double total = 0.0;
    char figure[32];
    for (const Part& p : parts_) {
        const double ms = p.totalMs / static_cast<double>(frames_);
        total += ms;
        std::snprintf(figure, sizeof figure, " %.2f,", ms);
        text += " " + p.name + figure;
    }
    std::snprintf(figure, sizeof figure, " total %.2f", total);
    return text + figure;
}

}  // namespace tv
