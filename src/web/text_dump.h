// A plain-text rendering of what a page shows, in order: one line per block or table row, cells
// split by " | ", links as "[text -> address]", images as "[img alt]", fields as "[kind name=value]".
#pragma once
#include <string>

#include "web/document.h"
#include "web/style.h"

namespace mrvn::web {

std::wstring TextDump(const Document& doc, const Styles& styles);

}  // namespace mrvn::web
