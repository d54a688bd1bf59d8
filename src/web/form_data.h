// What a form sends: the fields in tree order, encoded in the page's charset.
#pragma once
#include <string>

#include "platform/code_page.h"
#include "web/document.h"

namespace mrvn::web {

struct FormSubmission {
    bool post = false;
    std::wstring url;  // absolute; for GET with the query in place of the action's own
    std::string body;  // POST: application/x-www-form-urlencoded
    std::wstring contentType;
};

// The form that `n` belongs to (its owner, else the nearest form above it), or kNoNode.
NodeId FormOf(const Document& doc, NodeId n);

// `submitter` is the button or image input that was used, or kNoNode (Enter in a text field).
// Field values are the tree's: the host writes what the player typed into the "value" attribute,
// "checked" and the options' "selected" before it asks. An image submitter sends name.x and name.y
// from `clickX`, `clickY`.
FormSubmission BuildFormSubmission(const Document& doc, NodeId form, NodeId submitter, CodePage& codePage,
                                   int clickX = 0, int clickY = 0);

// application/x-www-form-urlencoded bytes for text already in the page's charset.
std::string UrlEncodeForm(const std::string& bytes);

}  // namespace mrvn::web
