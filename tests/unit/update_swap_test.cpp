#include <gtest/gtest.h>

#include "fakes/fake_net.h"
#include "fakes/fake_platform.h"
#include "fakes/program_bytes.h"
#include "core/text.h"
#include "core/text_encoding.h"
#include "net/update_rules.h"

namespace mrvn {
namespace {

const std::wstring kProgram = L"D:\\Games\\Mrvn.exe";
const std::wstring kNew = L"D:\\Games\\NewMrvn.exe";
const std::wstring kOld = L"D:\\Games\\OldMrvn.exe";
const std::wstring kAside = L"move " + kProgram + L" -> " + kOld;
const std::wstring kIn = L"move " + kNew + L" -> " + kProgram;
const std::wstring kBack = L"move " + kOld + L" -> " + kProgram;

// The program path a swap has noted, empty when none.
std::wstring Noted(const test::FakeRegistry& reg) {
    const auto* v = reg.Find(RegRoot::LocalMachine, kLauncherKey, kSwapNoteName);
    return v && v->type == kRegSz ? WideFromUtf16Le(v->data) : L"";
}

void Note(test::FakeRegistry& reg, const std::wstring& path) {
    reg.Put(RegRoot::LocalMachine, kLauncherKey, kSwapNoteName, kRegSz, Utf16LeFromWide(path));
}

TEST(SwapProgramFiles, EveryFailurePointLeavesAWorkingProgram) {
    const struct {
        const char* name;
        std::vector<std::wstring> fail;
        SwapOutcome outcome;
        const char* program;  // what the program path holds afterwards
        const char* old;      // what OldMrvn.exe holds, nullptr: missing
        const char* fresh;    // what NewMrvn.exe holds, nullptr: missing
        std::vector<std::wstring> log;
        bool notedAfter = false;  // the next start still repairs
    } rows[] = {
        {"success", {}, SwapOutcome::Swapped, "new", "old", nullptr,
         {kAside, kIn, L"reboot-delete " + kOld}},
        {"old deletion cannot be scheduled", {L"reboot-delete " + kOld}, SwapOutcome::Swapped, "new", "old", nullptr,
         {kAside, kIn, L"reboot-delete " + kOld}},
        {"program cannot move aside", {kAside}, SwapOutcome::Untouched, "old", nullptr, nullptr,
         {kAside, L"delete " + kNew}},
        {"new file cannot move in", {kIn}, SwapOutcome::RolledBack, "old", nullptr, nullptr,
         {kAside, kIn, kBack, L"delete " + kNew}},
        {"new file cannot move in nor be deleted", {kIn, L"delete " + kNew}, SwapOutcome::RolledBack, "old",
         nullptr, "new", {kAside, kIn, kBack, L"delete " + kNew, L"reboot-delete " + kNew}},
        // Nothing is deleted: OldMrvn.exe is the last working copy.
        {"rollback fails too", {kIn, kBack}, SwapOutcome::Stranded, nullptr, "old", "new", {kAside, kIn, kBack}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeFileSystem ops;
        ops.Put(kProgram, "old");
        ops.Put(kNew, "new");
        ops.fail.insert(row.fail.begin(), row.fail.end());
        test::FakeRegistry reg;
        bool notedDuringRenames = true;
        ops.onMove = [&](const std::wstring&, const std::wstring&) { notedDuringRenames &= Noted(reg) == kProgram; };
        SwapOutcome outcome = SwapOutcome::NoNewFile;
        EXPECT_EQ(ApplyUpdateFiles(ops, reg, kProgram, true, &outcome), row.outcome == SwapOutcome::Swapped);
        EXPECT_TRUE(notedDuringRenames) << "a rename ran before the swap was noted";
        EXPECT_EQ(Noted(reg), row.notedAfter ? kProgram : L"");
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

TEST(SwapProgramFiles, FailedDownloadDeletesTheNewFileAtOnce) {
    const struct {
        const char* name;
        bool newFileThere;
        bool deleteFails;
        std::vector<std::wstring> log;
    } rows[] = {
        {"partial file", true, false, {L"delete " + kNew}},
        {"partial file that cannot be deleted now", true, true, {L"delete " + kNew, L"reboot-delete " + kNew}},
        {"no file at all", false, false, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeFileSystem ops;
        ops.Put(kProgram, "old");
        if (row.newFileThere) ops.Put(kNew, "partial");
        if (row.deleteFails) ops.fail.insert(L"delete " + kNew);
        test::FakeRegistry reg;
        EXPECT_FALSE(ApplyUpdateFiles(ops, reg, kProgram, false));
        EXPECT_EQ(Noted(reg), L"");
        EXPECT_EQ(*ops.Find(kProgram), "old");
        EXPECT_EQ(ops.Find(kNew) != nullptr, row.deleteFails);
        EXPECT_EQ(ops.log, row.log);
    }
}

// A swap cut off between its renames: the program path is empty, the two others hold what they hold.
TEST(RecoverProgramFile, PutsBackTheOldProgramFirstThenTheNewOneAndOnlyWholeOnes) {
    const std::string whole = test::SmallProgram();
    const std::string cut = whole.substr(0, whole.size() - 10);
    const struct {
        const char* name;
        const std::string* program;  // nullptr: missing
        const std::string* old;
        const std::string* fresh;
        Recovery result;
        const std::string* programAfter;
        bool oldAfter, freshAfter;
    } rows[] = {
        {"program there", &whole, &whole, &whole, Recovery::NotNeeded, &whole, true, true},
        {"both whole: the one that ran goes back", nullptr, &whole, &whole, Recovery::OldBack, &whole, false, false},
        {"only the new one", nullptr, nullptr, &whole, Recovery::NewIn, &whole, false, false},
        {"old one cut: the new one", nullptr, &cut, &whole, Recovery::NewIn, &whole, false, false},
        {"new one cut: the old one", nullptr, &whole, &cut, Recovery::OldBack, &whole, false, false},
        {"nothing whole", nullptr, &cut, &cut, Recovery::NoneUsable, nullptr, true, true},
        {"nothing at all", nullptr, nullptr, nullptr, Recovery::NoneUsable, nullptr, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeFileSystem ops;
        test::FakeFileSource source;
        const auto put = [&](const std::wstring& path, const std::string* bytes) {
            if (!bytes) return;
            ops.Put(path, *bytes);
            source.files[path] = *bytes;
        };
        put(kProgram, row.program);
        put(kOld, row.old);
        put(kNew, row.fresh);
        EXPECT_EQ(RecoverProgramFile(ops, source, kProgram), row.result);
        const std::string* now = ops.Find(kProgram);
        ASSERT_EQ(now != nullptr, row.programAfter != nullptr);
        if (now) {
            EXPECT_EQ(*now, *row.programAfter);
        }
        EXPECT_EQ(ops.Find(kOld) != nullptr, row.oldAfter);
        EXPECT_EQ(ops.Find(kNew) != nullptr, row.freshAfter);
    }
}

TEST(SwapProgramFiles, ASwapThatCannotBeNotedDoesNotStart) {
    test::FakeFileSystem ops;
    ops.Put(kProgram, "old");
    ops.Put(kNew, "new");
    test::FakeRegistry reg;
    reg.failCreate = true;
    SwapOutcome outcome = SwapOutcome::Swapped;
    EXPECT_FALSE(ApplyUpdateFiles(ops, reg, kProgram, true, &outcome));
    EXPECT_EQ(outcome, SwapOutcome::Untouched);
    EXPECT_EQ(*ops.Find(kProgram), "old");
    EXPECT_EQ(ops.log, (std::vector<std::wstring>{L"delete " + kNew}));
}

// Only a swap noted as under way is repaired, under the name it noted: a program installed under
// another name is not replaced by a Mrvn.exe, and after a removal (which deletes the note with the
// launcher's key) the replaced program waiting for the restart stays where it is.
TEST(RecoverInterruptedSwap, RepairsOnlyTheNotedProgram) {
    const std::string whole = test::SmallProgram();
    const std::wstring other = L"D:\\Games\\Mrvn (1).exe";
    const struct {
        const char* name;
        std::wstring noted;  // empty: none
        std::vector<std::wstring> programs;  // present before
        Recovery result;
        std::wstring restored;  // holds the old program afterwards; empty: none
        bool notedAfter;
    } rows[] = {
        {"no swap noted, as after a removal", L"", {}, Recovery::NotNeeded, L"", false},
        {"no swap noted, another name installed", L"", {other}, Recovery::NotNeeded, L"", false},
        {"noted under another name", other, {}, Recovery::OldBack, other, false},
        {"noted, and the program is there", other, {other}, Recovery::NotNeeded, L"", true},
        {"noted under the usual name", kProgram, {}, Recovery::OldBack, kProgram, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeFileSystem ops;
        test::FakeFileSource source;
        test::FakeRegistry reg;
        if (!row.noted.empty()) Note(reg, row.noted);
        for (const auto& p : row.programs) ops.Put(p, "running");
        ops.Put(kOld, whole);
        source.files[kOld] = whole;
        EXPECT_EQ(RecoverInterruptedSwap(reg, ops, source), row.result);
        EXPECT_EQ(Noted(reg), row.notedAfter ? row.noted : L"");
        EXPECT_EQ(ops.Find(kProgram) != nullptr, row.restored == kProgram) << "Mrvn.exe";
        if (!row.restored.empty()) {
            ASSERT_NE(ops.Find(row.restored), nullptr);
            EXPECT_EQ(*ops.Find(row.restored), whole);
            EXPECT_EQ(ops.Find(kOld), nullptr);
        } else {
            EXPECT_NE(ops.Find(kOld), nullptr) << "the waiting program was touched";
        }
    }
}

}  // namespace
}  // namespace mrvn
