// The platform stand-in's answer to its login form: a page that leads to the launcher's
// "app://loadgame|" address through a link and a meta refresh, or asks again for an account.
#pragma once
#include <map>
#include <string>

namespace mrvn::test {

inline constexpr char kStandinLoginPath[] = "/mrvn/client/login";

// `form`: the decoded fields "account", "server" (a number, 1 when missing or not one) and "line"
// (the line name, "双线" by default); `host`: the Host header the page was asked with. UTF-8 HTML.
std::string StandinLoginAnswer(const std::map<std::string, std::string>& form, const std::string& host);

// The journey mode of the stand-in (tools/run): the login page's `visit`-th showing (from 0) leads
// by itself to the next login of a fixed script after `seconds`: abc on server 1, def on server 1,
// abc on server 1 again (refused by the launcher), ghi on server 2. Later showings stay as they are.
inline constexpr char kStandinLoginPage[] = "/mrvn/client/index.html";
std::string StandinJourneyPage(std::string page, size_t visit, int seconds);

}  // namespace mrvn::test
