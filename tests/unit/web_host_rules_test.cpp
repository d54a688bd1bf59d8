// The rules the page hosts apply around the engine: the dialog's navigation filter and the choice of
// scroll bars.
#include <gtest/gtest.h>

#include "login/nav_filter.h"
#include "web/scroll_rule.h"

namespace mrvn {
namespace {

TEST(NavFilterTest, OnlyExactPrefixesCount) {
    using login::NavFilter;
    const struct {
        const wchar_t* url;
        NavFilter want;
    } cases[] = {
        {L"app:login?u=1", NavFilter::AppCommand}, {L"app:", NavFilter::AppCommand},
        {L"APP:login", NavFilter::Unchanged},      {L"App:x", NavFilter::Unchanged},
        {L"ap", NavFilter::Unchanged},             {L"", NavFilter::Unchanged},
        {L" app:x", NavFilter::Unchanged},         {L"javascript:void(0)", NavFilter::LetThrough},
        {L"javascript", NavFilter::LetThrough},    {L"javascrip", NavFilter::Unchanged},
        {L"JavaScript:x", NavFilter::Unchanged},   {L"http://127.0.0.1/app:x", NavFilter::Unchanged},
    };
    for (const auto& c : cases) EXPECT_EQ(login::FilterNavigation(c.url), c.want) << std::string(c.url, c.url + wcslen(c.url));
}

TEST(ScrollRuleTest, BodyAttributeThenHost) {
    using web::ScrollBars;
    const struct {
        const wchar_t* body;
        bool hostNo;
        int docW, docH;
        ScrollBars want;
    } cases[] = {
        // The dialog's host says no scroll bars, but the body's "auto" (set after each page) wins.
        {L"auto", true, 300, 900, {true, false}},
        {L"auto", true, 300, 200, {false, false}},
        {L"", true, 2000, 2000, {false, false}},
        {L"", false, 2000, 200, {false, true}},
        {L"no", false, 2000, 2000, {false, false}},
        {L"yes", true, 100, 100, {true, false}},
        // The vertical bar narrows the view: a page exactly as wide now overflows sideways.
        {L"auto", false, 400, 900, {true, true}},
        // And the other way round: a horizontal bar makes a page just short enough overflow.
        {L"auto", false, 900, 290, {true, true}},
        {L"auto", false, 900, 270, {false, true}},
    };
    for (const auto& c : cases) {
        const ScrollBars got = web::ChooseScrollBars(c.body, c.hostNo, c.docW, c.docH, 400, 300, 17);
        EXPECT_EQ(got, c.want) << "body=" << std::string(c.body, c.body + wcslen(c.body)) << " " << c.docW << "x"
                               << c.docH;
    }
}

}  // namespace
}  // namespace mrvn
