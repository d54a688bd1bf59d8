// What every benchmark here needs: a clock in seconds and the median of its runs.
#pragma once
#include <algorithm>
#include <chrono>
#include <vector>

namespace mrvn::bench {

inline double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

}  // namespace mrvn::bench
