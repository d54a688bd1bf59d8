// Shortcut and favourite texts and paths, and the Flash data folder.
#include "extras/cache_rules.h"
#include "extras/shortcut_rules.h"
#include "fakes/fake_net.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    fuzz::FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const std::wstring a = in.Line();
    const std::wstring b = in.Line();
    const std::wstring c = in.Line();

    std::wstring path = L"stale";
    if (PathInFolder(a, b, c, path)) {
        MRVN_FUZZ_CHECK(path.size() < kLinkPathChars && path == a + L"\\" + b + c);
    } else {
        MRVN_FUZZ_CHECK(path.empty());
    }
    UserDesktopOf(a, b);
    MRVN_FUZZ_CHECK(StartMenuFolderOf(a).size() < kLinkPathChars);
    for (const auto& entry : InstallShortcuts(a)) MRVN_FUZZ_CHECK(!entry.name.empty());

    test::FakeCodePage936 gbk;
    test::FakeCodePage latin1;
    CodePage& codePage = (flags & 1) ? static_cast<CodePage&>(gbk) : latin1;
    std::string url;
    if (FavoriteUrlText(codePage, b, url)) MRVN_FUZZ_CHECK(url.size() <= 511);
    std::wstring favorite;
    if (FavoriteFilePath(a, c, favorite)) {
        MRVN_FUZZ_CHECK(favorite.size() < kLinkPathChars && favorite.starts_with(a + L"\\"));
        // The name never reaches into another folder.
        MRVN_FUZZ_CHECK(favorite.find(L'\\', a.size() + 1) == std::wstring::npos);
    }
    FlashDataFolderOf(a);
    return 0;
}
