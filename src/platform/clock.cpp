#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace tv {

uint32_t LocalMsOfDay() {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    if (ms < 0) ms += 1000;
    return static_cast<uint32_t>(local.tm_hour * 3600000 + local.tm_min * 60000 + local.tm_sec * 1000 + ms);
}

}  // namespace tv
