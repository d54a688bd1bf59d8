// A page from the network: the whole input is a reply's body, decoded, parsed, styled, laid out,
// hit-tested and dumped as the built-in page engine shows it.
#include "fakes/fake_net.h"
#include "support/fuzz_input.h"
#include "web/html_parser.h"
#include "web/layout.h"
#include "web/style.h"
#include "web/text_dump.h"

namespace {

// Every character the same width: layout sees the text's length, not a font.
class FixedMeasurer final : public mrvn::TextMeasurer {
public:
    mrvn::TextExtent Measure(const std::wstring& text) override {
        return {static_cast<int>(text.size()) * 7, 14};
    }
};

// Images whose size depends on their address, some of them unknown.
class AddressSizes final : public mrvn::ImageSizes {
public:
    bool Size(const std::wstring& url, int& width, int& height) override {
        width = static_cast<int>(url.size() % 300);
        height = static_cast<int>(url.size() % 97);
        return url.size() % 3 != 0;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mrvn;
    test::FakeCodePage codePage;
    web::PageSource source{L"http://127.0.0.1/dir/page.htm", "text/html", 936};
    const web::Document doc = web::LoadPage(reinterpret_cast<const char*>(data), size, source, codePage);
    const web::Styles styles = web::ComputeStyles(doc);
    FixedMeasurer measurer;
    AddressSizes images;
    const web::PageLayout layout = web::LayoutPage(doc, styles, measurer, images, web::LayoutOptions{});
    MRVN_FUZZ_CHECK(layout.width >= 0 && layout.height >= 0);
    MRVN_FUZZ_CHECK(layout.placed.size() <= layout.boxes.size() || layout.boxes.empty());
    for (int y = 0; y < 400; y += 97)
        for (int x = 0; x < 800; x += 131) {
            web::HitTest(doc, layout, x, y);
            web::LinkAt(layout, x, y);
        }
    web::TextDump(doc, styles);
    return 0;
}
