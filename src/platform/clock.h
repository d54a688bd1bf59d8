// Clock seam. Times are SYSTEMTIME-shaped: the launcher stores them byte for byte.
#pragma once
#include <cstdint>

namespace mrvn {

struct SystemTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0;  // 0 = Sunday
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};
static_assert(sizeof(SystemTime) == 16, "stored as the 16 bytes of a SYSTEMTIME");

class Clock {
public:
    virtual ~Clock() = default;
    virtual SystemTime UtcNow() = 0;
    virtual SystemTime LocalNow() = 0;
};

}  // namespace mrvn
