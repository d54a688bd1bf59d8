// What the player's clicks and keys do to a page, for the host window: the action of a click,
// the Tab order, and field state kept in the tree (where form submission reads it).
#pragma once
#include <string>
#include <vector>

#include "web/document.h"
#include "web/layout.h"

namespace mrvn::web {

struct ElementAction {
    enum class Kind { None, Navigate, Submit, Toggle };
    Kind kind = Kind::None;
    std::wstring url;     // Navigate: absolute ("javascript:" and "app:" addresses as written)
    std::wstring target;  // Navigate: the link's target frame name
    NodeId form = kNoNode, submitter = kNoNode;  // Submit
    NodeId field = kNoNode;                      // Toggle: the checkbox or radio button
};

// What a click on `n` (or element.click()) does: follow the nearest link around it, submit the
// form of a submit button, toggle a check box or radio button (also through its <label>).
// Disabled fields do nothing.
ElementAction ClickAction(const Document& doc, NodeId n);

// Enter in a field: a text or password field submits its form as if its first submit button
// had been pressed (none when the form has no such button and more than one text field, as browsers do).
ElementAction EnterAction(const Document& doc, NodeId field);

// Links and fields in document order, as Tab walks them; only what the layout shows.
std::vector<NodeId> FocusOrder(const Document& doc, const PageLayout& layout);

// A check box takes `checked`; a radio button that is checked unchecks the others of its group
// (same name, same form).
void SetChecked(Document& doc, NodeId field, bool checked);
// A click's toggle: a check box flips, a radio button becomes checked (a click never unchecks one).
void ApplyToggle(Document& doc, NodeId field);
// Selects option `index` of a select (and, without "multiple", only that one).
void SelectOption(Document& doc, NodeId select, int index);

}  // namespace mrvn::web
