// The output encoder, one row a value and a context: what would end a
// literal, an attribute or a script element comes out escaped, and nothing
// the engine cannot read as UTF-8 comes out at all. Then a page built with it.
#include "util/encode.h"

#include <gtest/gtest.h>

#include "policy/load_error.h"

namespace qv {
namespace {

enum class In { JsString, JsEscaped, Attribute, Text };

std::string encoded(In context, std::string_view text) {
  std::string out;
  switch (context) {
    case In::JsString:
      appendJsString(out, text);
      break;
    case In::JsEscaped:
      appendJsEscaped(out, text);
      break;
    case In::Attribute:
      appendHtmlAttribute(out, text);
      break;
    case In::Text:
      appendHtmlText(out, text);
      break;
  }
  return out;
}

TEST(EncodeTest, EscapesWhatWouldEndTheContext) {
  const std::string plain =
      "a-b_c.d:e/f?g=h%20#j(k)[l]{m}@n!o$p*r+s,t;u|x~y`z \xC3\xBC\xE2\x82\xAC";
  struct Case {
    In context;
    std::string raw, expected;
  };
  const Case cases[] = {
      {In::JsString, plain, "\"" + plain + "\""},
      {In::JsString, "", R"("")"},
      {In::JsString, "\"); alert(1); (\"", R"("\"); alert(1); (\"")"},
      {In::JsString, "a\\b\\\"'", R"("a\\b\\\"\'")"},
      {In::JsString, "l1\nl2\r\n\t", R"("l1\nl2\r\n\t")"},
      {In::JsString, std::string("nul\0\x01\x1f\x7f", 7), "\"nul\\u0000\\u0001\\u001f\x7f\""},
      {In::JsString, "ls\xE2\x80\xA8ps\xE2\x80\xA9", R"("ls\u2028ps\u2029")"},
      {In::JsString, "</script><!--", R"("\u003c/script>\u003c!--")"},
      {In::JsEscaped, "';alert(1);//", R"(\';alert(1);//)"},
      {In::JsEscaped, "\xE2\x80\x94 \xE2\x80\xA8", "\xE2\x80\x94 \\u2028"},
      // Bytes that are not UTF-8 (a cut sequence, a lone surrogate, a stray
      // continuation) become U+FFFD one by one, in every context.
      {In::JsString, "\xE2\x82\xAC \xE2\x80", "\"\xE2\x82\xAC \xEF\xBF\xBD\xEF\xBF\xBD\""},
      {In::JsEscaped, "\xED\xA0\x80x", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDx"},
      {In::Attribute, "\x80", "\xEF\xBF\xBD"},
      {In::Text, "\xC3", "\xEF\xBF\xBD"},
      {In::Attribute, plain, plain},
      {In::Attribute, "\"><script>&amp;' x", "&quot;&gt;&lt;script&gt;&amp;amp;&#39; x"},
      {In::Attribute, "a\\b\n", "a\\b\n"},
      {In::Text, "</p> & \"'", "&lt;/p&gt; &amp; \"'"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(encoded(c.context, c.raw), c.expected) << "raw '" << c.raw << "'";
}

// The page is shown under the failing address's origin: nothing of the
// address may turn into markup there.
TEST(LoadError, AddressIsTextInTheSpanishPage) {
  auto page =
      loadErrorPage(LoadFailure::HostNotFound, "https://x.invalid/\"><script>alert(1)</script>&");
  EXPECT_NE(page.find("No se encontró el servidor"), std::string::npos);
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;&amp;"), std::string::npos);
}

}  // namespace
}  // namespace qv
