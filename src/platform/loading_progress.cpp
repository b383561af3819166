#include "platform/loading_progress.h"

#include "common/i18n.h"

namespace tv {

std::string TriangleProgressCaption(int done, int total) {
    return Tr("треугольник  ") + std::to_string(done) + Tr("из  ") + std::to_string(total);
}

int TriangleProgress::Position(int done, int total) {
    const int divisor = static_cast<int>(static_cast<float>(total) / 100.0f);
    if (divisor > 0) return static_cast<int>(static_cast<float>(done) / static_cast<float>(divisor));
    if (total <= 0) return 100;
    return static_cast<int>(static_cast<long long>(done) * 100 / total);
}

void TriangleProgress::Triangle(int index) {
    ++counter_;
    if (counter_ <= 50) return;
    counter_ = 0;
    if (!sink_) return;
    sink_->SetProgress(Position(index + 1, total_), TriangleProgressCaption(index + 1, total_));
    sink_->Repaint();
}

void TriangleProgress::End() {
    if (!sink_) return;
    sink_->SetProgress(100, TriangleProgressCaption(total_, total_));
    sink_->Repaint();
}

}  // namespace tv
