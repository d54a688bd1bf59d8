#include <gtest/gtest.h>

#include "fakes/fake_net.h"
#include "fakes/fake_platform.h"
#include "net/update_rules.h"

namespace mrvn {
namespace {

const std::wstring kProgram = L"D:\\Games\\Mrvn.exe";
const std::wstring kNew = L"D:\\Games\\NewMrvn.exe";
const std::wstring kOld = L"D:\\Games\\OldMrvn.exe";
const std::wstring kAside = L"move " + kProgram + L" -> " + kOld;
const std::wstring kIn = L"move " + kNew + L" -> " + kProgram;
const std::wstring kBack = L"move " + kOld + L" -> " + kProgram;

TEST(SwapProgramFiles, EveryFailurePointLeavesAWorkingProgram) {
    const struct {
        const char* name;
        std::vector<std::wstring> fail;
        SwapOutcome outcome;
        const char* program;  // what the program path holds afterwards
        const char* old;      // what OldMrvn.exe holds, nullptr: missing
        const char* fresh;    // what NewMrvn.exe holds, nullptr: missing
        std::vector<std::wstring> log;
    } rows[] = {
        {"success", {}, SwapOutcome::Swapped, "new", "old", nullptr,
         {kAside, kIn, L"reboot-delete " + kOld}},
        {"old deletion cannot be scheduled", {L"reboot-delete " + kOld}, SwapOutcome::Swapped, "new", "old", nullptr,
         {kAside, kIn, L"reboot-delete " + kOld}},
        {"program cannot move aside", {kAside}, SwapOutcome::Untouched, "old", nullptr, "new",
         {kAside, L"reboot-delete " + kNew}},
        {"new file cannot move in", {kIn}, SwapOutcome::RolledBack, "old", nullptr, "new",
         {kAside, kIn, kBack, L"reboot-delete " + kNew}},
        // Nothing is deleted: OldMrvn.exe is the last working copy.
        {"rollback fails too", {kIn, kBack}, SwapOutcome::Stranded, nullptr, "old", "new", {kAside, kIn, kBack}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeFileSystem ops;
        ops.Put(kProgram, "old");
        ops.Put(kNew, "new");
        ops.fail.insert(row.fail.begin(), row.fail.end());
        SwapOutcome outcome = SwapOutcome::NoNewFile;
        EXPECT_EQ(ApplyUpdateFiles(ops, kProgram, true, &outcome), row.outcome == SwapOutcome::Swapped);
        EXPECT_EQ(outcome, row.outcome);
        const auto holds = [&](const std::wstring& path, const char* want) {
            const std::string* got = ops.Find(path);
            if (!want) {
                EXPECT_EQ(got, nullptr) << testing::PrintToString(path);
            } else if (!got) {
                ADD_FAILURE() << "missing " << testing::PrintToString(path);
            } else {
                EXPECT_EQ(*got, want) << testing::PrintToString(path);
            }
        };
        holds(kProgram, row.program);
        holds(kOld, row.old);
        holds(kNew, row.fresh);
        EXPECT_EQ(ops.log, row.log);
    }
}

TEST(SwapProgramFiles, FailedDownloadOrMissingFileTouchesOnlyTheNewName) {
    for (bool downloadOk : {false, true}) {
        SCOPED_TRACE(downloadOk);
        test::FakeFileSystem ops;
        ops.Put(kProgram, "old");
        if (!downloadOk) ops.Put(kNew, "partial");
        EXPECT_FALSE(ApplyUpdateFiles(ops, kProgram, downloadOk));
        EXPECT_EQ(*ops.Find(kProgram), "old");
        EXPECT_EQ(ops.log, (std::vector<std::wstring>{L"reboot-delete " + kNew}));
    }
}

}  // namespace
}  // namespace mrvn
