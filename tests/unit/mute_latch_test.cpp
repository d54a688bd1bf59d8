#include "hotkeys/mute_latch.h"

#include <gtest/gtest.h>

#include <vector>

namespace mrvn {
namespace {

// The main window repeats its state every 400 ms: only the first message and the changes apply.
TEST(MuteLatch, AppliesTheFirstMessageAndThenOnlyChanges) {
    const struct {
        const char* what;
        std::vector<uintptr_t> messages;
        std::vector<int> applied;  // the state applied after each message, -1 none
    } rows[] = {
        {"first message 0 applies", {0, 0, 0}, {0, -1, -1}},
        {"first message 1 applies", {1, 1}, {1, -1}},
        {"off, on, off", {0, 1, 1, 0, 0, 1}, {0, 1, -1, 0, -1, 1}},
        {"any nonzero means off", {2, 1, 0xFFFFFFFF, 0}, {1, -1, -1, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MuteLatch latch;
        std::vector<int> applied;
        for (uintptr_t m : row.messages) applied.push_back(latch.Take(m) ? latch.Last() : -1);
        EXPECT_EQ(applied, row.applied);
    }
}

}  // namespace
}  // namespace mrvn
