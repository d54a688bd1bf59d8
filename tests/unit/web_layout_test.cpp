#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "fakes/fake_web.h"
#include "web/html_parser.h"
#include "web/layout.h"
#include "web/style.h"

namespace mrvn::web {
namespace {

// Widths from the fake: at 16 px a Latin character is 8, a CJK one 16; lines are 18 high.
struct Page {
    Document doc;
    Styles styles;
    PageLayout layout;
    test::FakeTextMeasurer tm;
    test::FakeImageSizes images;

    explicit Page(const std::wstring& html, int viewport = 800, std::map<std::wstring, std::pair<int, int>> sizes = {}) {
        images.sizes = std::move(sizes);
        doc = ParseHtml(html, L"http://h/");
        Relayout(viewport);
    }
    void Relayout(int viewport = 800) {
        styles = ComputeStyles(doc);
        layout = LayoutPage(doc, styles, tm, images, {viewport, 600});
    }
    NodeId Id(const wchar_t* id) const { return doc.ElementById(id); }
    Rect Box(const wchar_t* id) const { return layout.Box(Id(id)); }
    // The text shown, one string per line (items on the same top edge joined).
    std::vector<std::wstring> Lines() const {
        std::map<int, std::vector<const DisplayItem*>> rows;
        for (const DisplayItem& it : layout.items) {
            if (it.kind == ItemKind::Text) rows[it.rect.Bottom()].push_back(&it);
        }
        std::vector<std::wstring> out;
        for (auto& [y, items] : rows) {
            std::sort(items.begin(), items.end(), [](auto* a, auto* b) { return a->rect.x < b->rect.x; });
            std::wstring line;
            for (const DisplayItem* it : items) line += it->text;
            out.push_back(line);
        }
        return out;
    }
    std::vector<const DisplayItem*> Items(ItemKind kind) const {
        std::vector<const DisplayItem*> out;
        for (const DisplayItem& it : layout.items) {
            if (it.kind == kind) out.push_back(&it);
        }
        return out;
    }
};

using Lines = std::vector<std::wstring>;

TEST(WebLayout, BreaksLinesOfChineseAndLatinText) {
    const struct {
        const wchar_t* html;
        Lines lines;
    } cases[] = {
        {L"<div style='width:80px'>中文测试中文测试</div>", {L"中文测试中", L"文测试"}},
        // "，" may not start a line, so the character before it moves down too.
        {L"<div style='width:80px'>中文测试中，文</div>", {L"中文测试", L"中，文"}},
        {L"<div style='width:80px'>中文测（试）</div>", {L"中文测", L"（试）"}},
        {L"<div style='width:100px'>hello world foo</div>", {L"hello world", L"foo"}},
        {L"<div style='width:40px'>abc中文def</div>", {L"abc中", L"文def"}},
        {L"<div style='width:40px'>abcdefghijklmnop</div>", {L"abcdefghijklmnop"}},
        {L"<div style='width:40px;white-space:nowrap'>中文测试 hello</div>", {L"中文测试 hello"}},
        {L"<div style='width:60px'>ab<b>cd</b>ef gh</div>", {L"abcdef", L"gh"}},
        // A word split over elements moves whole.
        {L"<div style='width:40px'>xx ab<b>cd</b>ef</div>", {L"xx", L"abcdef"}},
        {L"<div style='width:200px'>  lots \n of\t\tblanks  </div>", {L"lots of blanks"}},
        {L"<div style='width:200px'>a<br>b<br><br>c</div>", {L"a", L"b", L"c"}},
        {L"<pre>a  b\nc</pre>", {L"a  b", L"c"}},
        {L"<div style='width:48px'><nobr>中文 中文 中文</nobr></div>", {L"中文 中文 中文"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Page(c.html).Lines(), c.lines) << c.html;
}

TEST(WebLayout, PlacesLinesByAlignmentAndBreaks) {
    Page centred(L"<div style='width:100px;text-align:center'>ab</div><p align=right>cd</p>", 216);
    const auto texts = centred.Items(ItemKind::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->rect.x, 8 + (100 - 16) / 2);
    EXPECT_EQ(texts[1]->rect.Right(), 8 + 200);

    // An empty line between two <br> keeps its height.
    Page breaks(L"a<br>b<br><br>c");
    const auto t = breaks.Items(ItemKind::Text);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[1]->rect.y - t[0]->rect.y, 18);
    EXPECT_EQ(t[2]->rect.y - t[1]->rect.y, 36);

    // Paragraph margins collapse between neighbours: one em, not two.
    Page paras(L"<p id=a>x</p><p id=b>y</p>");
    EXPECT_EQ(paras.Box(L"b").y - paras.Box(L"a").Bottom(), 16);
}

TEST(WebLayout, SizesTableColumnsFromWidthsColspanAndContent) {
    Page fixed(L"<table width=300 cellspacing=0 cellpadding=0><tr><td id=top colspan=2>top</td></tr>"
               L"<tr><td id=a width=100>a</td><td id=b>b</td></tr></table>");
    EXPECT_EQ(fixed.Box(L"top"), (Rect{8, 8, 300, 18}));
    EXPECT_EQ(fixed.Box(L"a"), (Rect{8, 26, 100, 18}));
    EXPECT_EQ(fixed.Box(L"b"), (Rect{108, 26, 200, 18}));

    Page shrink(L"<table id=t cellspacing=0 cellpadding=0><tr><td id=a>aaaa</td><td id=b>bb</td></tr></table>");
    EXPECT_EQ(shrink.Box(L"a").w, 32);
    EXPECT_EQ(shrink.Box(L"b"), (Rect{40, 8, 16, 18}));
    EXPECT_EQ(shrink.Box(L"t").w, 48);

    // Spacing, padding and border add up around the cells.
    Page spaced(L"<table id=t border=1 cellspacing=2 cellpadding=3><tr><td id=a>aa</td></tr></table>");
    EXPECT_EQ(spaced.Box(L"t").w, 1 + 2 + (1 + 3 + 16 + 3 + 1) + 2 + 1);
    EXPECT_EQ(spaced.Box(L"a").x, 8 + 1 + 2);

    std::wstring words;
    for (int i = 0; i < 40; ++i) words += L"word ";
    Page capped(L"<table id=t cellspacing=0 cellpadding=0><tr><td id=a>" + words + L"</td><td id=b>x</td></tr></table>",
                200);
    EXPECT_EQ(capped.Box(L"t").w, 184);
    EXPECT_GE(capped.Box(L"b").w, 8);
    EXPECT_GT(capped.Box(L"a").h, 18);

    Page percent(L"<table id=t width='50%'><tr><td>x</td></tr></table>", 400);
    EXPECT_EQ(percent.Box(L"t").w, 192);

    Page spans(L"<table cellspacing=0 cellpadding=0><tr><td id=l rowspan=2>L</td><td id=a>a</td></tr>"
               L"<tr><td id=b>b</td></tr></table>");
    EXPECT_EQ(spans.Box(L"b").x, spans.Box(L"a").x);
    EXPECT_EQ(spans.Box(L"l").h, 36);
    EXPECT_EQ(spans.Box(L"b").y, 8 + 18);
}

TEST(WebLayout, AlignsTablesAndCellContent) {
    for (const wchar_t* html : {L"<center><table id=t width=100 cellspacing=0><tr><td>x</td></tr></table></center>",
                                L"<table id=t align=center width=100 cellspacing=0><tr><td>x</td></tr></table>",
                                L"<div align=center><table id=t width=100 cellspacing=0><tr><td>x</td></tr></table></div>"}) {
        EXPECT_EQ(Page(html).Box(L"t").x, 8 + (784 - 100) / 2) << html;
    }
    Page cells(L"<table cellspacing=0 cellpadding=0><tr><td>a<br>b</td><td id=c>c</td>"
               L"<td valign=top>d</td><td id=r align=right width=50 bgcolor=#FEFEFE>e</td></tr></table>");
    const auto texts = cells.Items(ItemKind::Text);
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[2]->rect.y, 8 + 9);   // middle of a two-line row
    EXPECT_EQ(texts[3]->rect.y, 8);       // top
    EXPECT_EQ(texts[4]->rect.Right(), cells.Box(L"r").Right());
    const auto fills = cells.Items(ItemKind::Fill);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0]->color, 0xFEFEFEu);
    EXPECT_EQ(fills[0]->rect, cells.Box(L"r"));
}

TEST(WebLayout, SizesImagesFromAttributesStyleAndTheImage) {
    const std::map<std::wstring, std::pair<int, int>> sizes = {{L"http://h/b.png", {100, 60}}};
    const struct {
        const wchar_t* html;
        int w, h;
    } cases[] = {
        {L"<img id=i src=a.png width=40 height=20>", 40, 20},
        {L"<img id=i src=b.png width=50>", 50, 30},
        {L"<img id=i src=b.png style='height:30px'>", 50, 30},
        {L"<img id=i src=b.png>", 100, 60},
        {L"<img id=i src=b.png width=10 style='width:20px'>", 20, 12},
        {L"<img id=i src=c.png>", 0, 0},
        {L"<img id=i src=c.png width=30>", 30, 0},
    };
    for (const auto& c : cases) {
        Page p(c.html, 800, sizes);
        const auto imgs = p.Items(ItemKind::Image);
        ASSERT_EQ(imgs.size(), 1u) << c.html;
        EXPECT_EQ(imgs[0]->rect.w, c.w) << c.html;
        EXPECT_EQ(imgs[0]->rect.h, c.h) << c.html;
        EXPECT_TRUE(imgs[0]->stretch);
        const bool unknown = std::wstring(c.html).find(L"c.png") != std::wstring::npos;
        EXPECT_EQ(p.layout.missingImages, unknown ? std::vector<std::wstring>{L"http://h/c.png"}
                                                  : std::vector<std::wstring>{}) << c.html;
    }
    // Images sit on the line with the text and push it along.
    Page inline_(L"ab<img src=a.png width=40 height=30>cd");
    const auto texts = inline_.Items(ItemKind::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1]->rect.x, 8 + 16 + 40);
    EXPECT_EQ(texts[0]->rect.Bottom(), 8 + 30);
}

TEST(WebLayout, LaysFormFieldsOutAsBoxesForTheHostsControls) {
    Page p(L"<form><input id=u name=u size=10><input type=password><input type=checkbox>"
           L"<select><option>长选项<option>b</select><input type=submit value='登录'><button>按钮</button>"
           L"<input type=hidden name=h><select size=3><option>a</select><textarea cols=5 rows=2></textarea></form>");
    const auto controls = p.Items(ItemKind::Control);
    ASSERT_EQ(controls.size(), 8u);
    const struct {
        ControlKind kind;
        int w, h;
        const wchar_t* label;
    } want[] = {
        {ControlKind::Text, 86, 24, L""},       {ControlKind::Password, 166, 24, L""},
        {ControlKind::Checkbox, 13, 13, L""},   {ControlKind::Select, 72, 24, L""},
        {ControlKind::Submit, 48, 26, L"登录"}, {ControlKind::Submit, 48, 26, L"按钮"},
        {ControlKind::ListBox, 32, 58, L""},    {ControlKind::TextArea, 60, 42, L""},
    };
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(controls[i]->control, want[i].kind) << i;
        EXPECT_EQ(controls[i]->rect.w, want[i].w) << i;
        EXPECT_EQ(controls[i]->rect.h, want[i].h) << i;
        EXPECT_EQ(controls[i]->text, want[i].label) << i;
    }
    EXPECT_EQ(controls[0]->rect, p.Box(L"u"));
    EXPECT_EQ(controls[1]->rect.x, controls[0]->rect.Right());
}

TEST(WebLayout, HidesWhatDisplayNoneHides) {
    Page p(L"<style>.x{display:none}</style><div id=a style='display:none'>hidden</div><p id=b class=x>gone</p>"
           L"<p id=c>shown<span style=display:none>not</span></p><input type=hidden><script>x</script>");
    EXPECT_EQ(p.Lines(), Lines{L"shown"});
    EXPECT_FALSE(p.layout.IsPlaced(p.Id(L"a")));
    EXPECT_FALSE(p.layout.IsPlaced(p.Id(L"b")));
    EXPECT_TRUE(p.Items(ItemKind::Control).empty());
}

TEST(WebLayout, FindsLinksAndTheInnermostElementUnderAPoint) {
    Page p(L"<p><a id=l href='next.html'>go 下一页</a> after</p>"
           L"<table cellspacing=0 cellpadding=0><tr><td id=cell class='bar'><div id=btn class=button "
           L"style='width:80px;height:30px'></div></td></tr></table>");
    const auto links = p.Items(ItemKind::Link);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0]->href, L"http://h/next.html");
    EXPECT_EQ(links[0]->rect.w, 8 * 3 + 16 * 3);
    const Rect r = links[0]->rect;
    EXPECT_EQ(LinkAt(p.layout, r.x + 1, r.y + 1), p.Id(L"l"));
    EXPECT_EQ(LinkAt(p.layout, r.Right() + 2, r.y + 1), kNoNode);

    // A block inside a link is part of the link.
    Page block(L"<a id=l href='app:go'><div id=d style='width:50px;height:10px'></div></a>");
    const Rect d = block.Box(L"d");
    EXPECT_EQ(LinkAt(block.layout, d.x + 49, d.y + 9), block.Id(L"l"));
    EXPECT_EQ(block.Items(ItemKind::Link).at(0)->href, L"app:go");

    const Rect btn = p.Box(L"btn");
    EXPECT_EQ(btn.w, 80);
    EXPECT_EQ(btn.h, 30);
    const NodeId hit = HitTest(p.doc, p.layout, btn.x + 5, btn.y + 5);
    EXPECT_EQ(hit, p.Id(L"btn"));
    EXPECT_EQ(p.doc.ClassName(hit), L"button");
    EXPECT_EQ(HitTest(p.doc, p.layout, 700, 500), p.doc.body);

    // Offsets are against the cell, as the sprite buttons read them.
    const ElementOffsets o = OffsetsOf(p.doc, p.layout, p.Id(L"btn"));
    EXPECT_EQ(o.offsetParent, p.Id(L"cell"));
    EXPECT_EQ(o.left, 0);
    EXPECT_EQ(o.top, 0);
    EXPECT_EQ(o.width, 80);
    EXPECT_EQ(o.height, 30);
    const ElementOffsets top = OffsetsOf(p.doc, p.layout, p.Id(L"l"));
    EXPECT_EQ(top.offsetParent, p.doc.body);
    EXPECT_EQ(top.left, 8);
}

TEST(WebLayout, SpriteFramesMoveWithBackgroundPositionX) {
    Page p(L"<div id=b class=button style='width:80px;height:30px;background:url(btn.png) no-repeat 0 0'></div>",
           800, {{L"http://h/btn.png", {240, 30}}});
    auto image = [&] {
        const auto imgs = p.Items(ItemKind::Image);
        return imgs.empty() ? DisplayItem{} : *imgs[0];
    };
    EXPECT_EQ(image().url, L"http://h/btn.png");
    EXPECT_EQ(image().rect, (Rect{8, 8, 80, 30}));
    EXPECT_EQ(image().repeat, BgRepeat::NoRepeat);
    EXPECT_EQ(image().imageX, 0);
    for (int x : {-80, -160, 0}) {
        p.doc.SetBackgroundPositionX(p.Id(L"b"), x);
        p.Relayout();
        EXPECT_EQ(p.doc.BackgroundPositionX(p.Id(L"b")), x);
        EXPECT_EQ(image().imageX, x);
    }
    // Each set replaces the last instead of piling up.
    const std::wstring style = p.doc.AttrOr(p.Id(L"b"), L"style");
    EXPECT_EQ(style.find(L"background-position-x"), style.rfind(L"background-position-x"));
    EXPECT_FALSE(p.doc.BackgroundPositionX(p.doc.body).has_value());
}

TEST(WebLayout, ReportsTheCanvasColourScrollAndDocumentSize) {
    for (const wchar_t* html : {L"<body bgcolor=#FEFEFE scroll=no>x", L"<body bgcolor=fefefe SCROLL=No>x",
                                L"<style>body{background:#fefefe}</style><body scroll=no>x"}) {
        Page p(html);
        EXPECT_EQ(p.layout.canvasColor, 0xFEFEFEu) << html;
        EXPECT_EQ(p.layout.bodyScroll, L"no") << html;
        EXPECT_TRUE(p.Items(ItemKind::Fill).empty()) << html;  // painted once, as the canvas
    }
    Page image(L"<body background=bg.png style='background-position:center 10px'>x", 800,
               {{L"http://h/bg.png", {100, 50}}});
    ASSERT_FALSE(image.layout.items.empty());
    const DisplayItem& canvas = image.layout.items.front();
    EXPECT_EQ(canvas.kind, ItemKind::Image);
    EXPECT_EQ(canvas.url, L"http://h/bg.png");
    EXPECT_EQ(canvas.rect, (Rect{0, 0, 800, 600}));
    EXPECT_EQ(canvas.imageX, 350);
    EXPECT_EQ(canvas.imageY, 10);
    EXPECT_EQ(canvas.repeat, BgRepeat::Repeat);
    EXPECT_EQ(image.Items(ItemKind::Image).size(), 1u);

    Page plain(L"x");
    EXPECT_EQ(plain.layout.canvasColor, 0xFFFFFFu);
    EXPECT_EQ(plain.layout.bodyScroll, L"");
    EXPECT_EQ(plain.layout.width, 800);

    std::wstring many;
    for (int i = 0; i < 100; ++i) many += L"<p>line</p>";
    Page tall(many);
    // The body's margins and its first and last paragraph's do not collapse into each other here.
    EXPECT_EQ(tall.layout.height, 8 + 16 + 100 * 18 + 99 * 16 + 16 + 8);
    Page wide(L"<div style='width:2000px'>x</div>");
    EXPECT_EQ(wide.layout.width, 2016);
}

TEST(WebLayout, HugeSizesStayInRange) {
    std::wstring html = L"<table width='99999999%' cellspacing=1000 cellpadding=1000><tr>";
    for (int i = 0; i < 50; ++i) html += L"<td width=99999999 height=99999999><img width=99999999 height=99999999>";
    html += L"</table><div style='font-size:99999999%'><p style='margin:9999999em;padding:1e30px'>x</p></div>";
    for (int i = 0; i < 3000; ++i) html += L"<div style='height:99999999px'></div>";
    Page p(html);
    EXPECT_GT(p.layout.height, 1000000);
    EXPECT_LE(p.layout.height, 1 << 28);
    for (const DisplayItem& it : p.layout.items) {
        ASSERT_GE(it.rect.w, 0);
        ASSERT_GE(it.rect.h, 0);
        ASSERT_LE(it.font.size, 1000);
    }
}

TEST(WebLayout, ListsGetMarkers) {
    Page p(L"<ul><li>a<li>b</ul><ol><li>x<li>y</ol><ul style='list-style:none'><li>z</ul>");
    EXPECT_EQ(p.Lines(), (Lines{L"•a", L"•b", L"1.x", L"2.y", L"z"}));
}

}  // namespace
}  // namespace mrvn::web
