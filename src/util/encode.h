// Values written into scripts and pages, each escaped for where it lands.
// Every place that builds a script or markup from a value goes through here.
// In all three contexts bytes that are not UTF-8 become U+FFFD, so what is
// written is always text the engine reads whole; ASCII letters, digits and
// -_.:/?=% pass unchanged, and so does other UTF-8 text in markup.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// The inside of a JavaScript string literal, in single or double quotes:
// the backslash and both quotes get a backslash; line breaks, tabs and the
// other control characters, "<" (so that no "</script" or "<!--" reaches an
// HTML parser) and everything beyond ASCII (the line terminators U+2028 and
// U+2029 among it) become escapes. What it writes is ASCII.
void appendJsEscaped(std::string& out, std::string_view text);
// The same text as a whole double-quoted literal.
void appendJsString(std::string& out, std::string_view text);

// The value of a quoted HTML attribute: & " ' < > become character
// references, which the browser decodes back to exactly the text given.
void appendHtmlAttribute(std::string& out, std::string_view text);
// Text between HTML tags: & < > become character references.
void appendHtmlText(std::string& out, std::string_view text);

}  // namespace qv
