// Random-number seam: the C runtime's rand(), which the launcher never seeds.
#pragma once

namespace mrvn {

class Random {
public:
    virtual ~Random() = default;
    virtual int Next() = 0;
};

}  // namespace mrvn
