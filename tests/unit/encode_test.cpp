// The output encoder, one row a value and a context: what would end a
// literal, an attribute or a script element comes out escaped, and nothing
// the engine cannot read as UTF-8 comes out at all. Then a page built with it.
#include "util/encode.h"

#include <gtest/gtest.h>

#include "policy/load_error.h"

namespace qv {
namespace {

using Append = void (*)(std::string&, std::string_view);
const Append JsString = appendJsString, JsEscaped = appendJsEscaped,
             Attribute = appendHtmlAttribute, Text = appendHtmlText;

TEST(EncodeTest, EscapesWhatWouldEndTheContext) {
  const std::string plain = "a-b_c.d:e/f?g=h%20#j(k)[l]{m}@n!o$p*r+s,t;u|x~y`z ";
  const std::string accents = "\xC3\xBC\xE2\x82\xAC\xF0\x9F\x93\x88";  // ü€📈
  struct Case {
    Append append;
    std::string raw, expected;
  };
  const Case cases[] = {
      {JsString, plain, "\"" + plain + "\""},
      // A script is all ASCII: the engine keeps it at a byte a character.
      {JsString, accents, R"("\u00fc\u20ac\ud83d\udcc8")"},
      {JsString, "\"); alert(1); (\"", R"("\"); alert(1); (\"")"},
      {JsString, "a\\b\\\"'", R"("a\\b\\\"\'")"},
      {JsString, "l1\nl2\r\n\t", R"("l1\nl2\r\n\t")"},
      {JsString, std::string("nul\0\x01\x1f\x7f", 7), "\"nul\\u0000\\u0001\\u001f\x7f\""},
      {JsString, "ls\xE2\x80\xA8ps\xE2\x80\xA9", R"("ls\u2028ps\u2029")"},
      {JsString, "</script><!--", R"("\u003c/script>\u003c!--")"},
      {JsEscaped, "';alert(1);//", R"(\';alert(1);//)"},
      {JsEscaped, "\xE2\x80\x94 \xE2\x80\xA8", R"(\u2014 \u2028)"},
      // Bytes that are not UTF-8 (a cut sequence, a lone surrogate, a stray
      // continuation) become U+FFFD one by one, in every context.
      {JsString, "\xE2\x82\xAC \xE2\x80", R"("\u20ac \ufffd\ufffd")"},
      {JsEscaped, "\xED\xA0\x80x", R"(\ufffd\ufffd\ufffdx)"},
      {Attribute, "\x80", "\xEF\xBF\xBD"},
      {Text, "\xC3", "\xEF\xBF\xBD"},
      {Attribute, plain + accents, plain + accents},
      {Text, accents, accents},
      {Attribute, "\"><script>&amp;' x", "&quot;&gt;&lt;script&gt;&amp;amp;&#39; x"},
      {Attribute, "a\\b\n", "a\\b\n"},
      {Text, "</p> & \"'", "&lt;/p&gt; &amp; \"'"},
  };
  for (const auto& c : cases) {
    std::string out;
    c.append(out, c.raw);
    EXPECT_EQ(out, c.expected) << "raw '" << c.raw << "'";
  }
}

// Long plain runs are scanned a block at a time: a byte is written the same
// anywhere inside one as alone, whatever the byte, in every context.
TEST(EncodeTest, AByteInALongPlainRunIsWrittenAsAlone) {
  for (Append append : {JsEscaped, Attribute, Text}) {
    for (int b = 0; b < 256; ++b) {
      const std::string byte(1, static_cast<char>(b));
      std::string alone;
      append(alone, byte);
      for (size_t at : {0, 17, 40, 63, 64, 100, 127, 150}) {
        const std::string before(at, 'a'), after(200 - at, 'a');
        std::string inRun;
        append(inRun, before + byte + after);
        EXPECT_EQ(inRun, before + alone + after) << b << " at " << at;
      }
    }
  }
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
