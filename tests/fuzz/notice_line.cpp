// The notice line as the client-service host sends it, and two dates: the split, the wanted test and
// the date comparison.
#include "extras/notice_rules.h"
#include "fakes/fake_platform.h"
#include "support/fuzz_input.h"

namespace {

bool EndsInsidePair(const std::wstring& s) { return !s.empty() && (uint32_t(s.back()) & 0xFC00u) == 0xD800u; }

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const std::wstring line = in.Line();
    const std::wstring a = in.Line();
    const std::wstring b = in.Line();

    NoticeFields f;
    if (SplitNoticeLine(line, f)) {
        MRVN_FUZZ_CHECK(f.id.size() < kNoticeIdRoom && f.lastDay.size() < kNoticeDayRoom);
        MRVN_FUZZ_CHECK(f.title.size() < kNoticeTitleRoom && f.link.size() < kNoticeLinkRoom);
        MRVN_FUZZ_CHECK(f.text.size() < kNoticeTextRoom && f.picture.size() < kNoticePictureRoom);
        for (const std::wstring* s : {&f.id, &f.lastDay, &f.title, &f.link, &f.text, &f.picture}) {
            MRVN_FUZZ_CHECK(line.find(*s) != std::wstring::npos);
        }
        for (size_t cut : {size_t{54}, size_t{71}}) {
            const std::wstring t = CutNoticeText(f.text, cut);
            MRVN_FUZZ_CHECK(t.size() >= 3 && t.size() <= cut + 3 && t.compare(t.size() - 3, 3, L"...") == 0);
            MRVN_FUZZ_CHECK(!EndsInsidePair(t.substr(0, t.size() - 3)) || f.text.size() <= cut);
        }
        (void)NoticeLayoutGeometry(ChooseNoticeLayout(f), 250, 191);
    }

    // Antisymmetric, and blind past the 15th character and the first blank.
    const int ab = CompareDates(a.c_str(), b.c_str());
    MRVN_FUZZ_CHECK(Sign(ab) == -Sign(CompareDates(b.c_str(), a.c_str())));
    MRVN_FUZZ_CHECK(CompareDates(a.c_str(), a.c_str()) == 0);
    if (!a.empty() && a.find(L'\0') == std::wstring::npos) {
        MRVN_FUZZ_CHECK(CompareDates(a.c_str(), (a + L" " + b).c_str()) == 0 || a.size() > kNoticeDateChars ||
                        a.find_first_of(L" \t") != std::wstring::npos);
    }

    test::FakeProfileFile ini;
    ini.WriteString(L"S", L"Mrvn", L"PopInfo", a);
    ini.WriteString(L"S", L"Mrvn", L"PopEnable", b);
    const bool wanted = IsNoticeWanted(line, a, b);
    if (AcceptNotice(line, ini, L"S", L"2026-12-09", f)) {
        MRVN_FUZZ_CHECK(wanted && line.size() < kNoticeLineBytes);
        MRVN_FUZZ_CHECK(*ini.Find(L"S", L"Mrvn", L"PopInfo") == line);
    }
    return 0;
}
