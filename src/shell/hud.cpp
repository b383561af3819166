// The HUD's lines as text. No GL.
#include "shell/hud.h"

#include <cmath>
#include <limits>

#include "common/i18n.h"
#include "platform/text_encoding.h"

namespace tv {

int32_t TruncatedLife(float life) {
    // Heavy damage drives life far below zero; a plain cast of NaN or of a value beyond the
    // int32 range is undefined, so those are pinned first.
    if (std::isnan(life)) return 0;
    const float t = std::trunc(life);
    if (t <= static_cast<float>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    if (t >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(t);
}

std::array<std::string, 5> HudLines(int32_t fps, const HudValues& values) {
    // The shells label starts with a Latin C, then Cyrillic letters.
    return {
        Utf8ToCp1251("FPS =" + std::to_string(fps)),
        Utf8ToCp1251("Kill =" + std::to_string(values.Kills)),
        Utf8ToCp1251(std::string(Tr("Количество врагов")) + " =" + std::to_string(values.PlaneCount)),
        Utf8ToCp1251(std::string(Tr("Жизнь")) + " =" + std::to_string(TruncatedLife(values.Life))),
        Utf8ToCp1251(std::string(Tr("C" "нарядов")) + " =" + std::to_string(values.Shells)),
    };
}

std::array<float, 5> HudBaselines(int32_t screenHeight, float scale) {
    std::array<float, 5> rows{};
    const float size = kHudTextSize * scale;
    float y = static_cast<float>(screenHeight) - size;
    for (float& row : rows) {
        row = y;
        y -= size;
    }
    return rows;
}

}  // namespace tv
