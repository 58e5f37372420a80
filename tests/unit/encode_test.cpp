// The output encoders, one row a value and a context, and the pages built
// with them: the load error page and the video pages.
#include "util/encode.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "app/config.h"
#include "panes/video_pages.h"
#include "policy/load_error.h"
#include "util/base64.h"

namespace qv {
namespace {

TEST(Base64Test, StandardVectorsTheSameTextWhereverABodyIsCutAndOnlyPureBase64Back) {
  const char* rfc4648[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
  for (size_t n = 0; n < std::size(rfc4648); ++n)
    EXPECT_EQ(base64Encode(std::string("foobar", n)), rfc4648[n]);
  EXPECT_EQ(base64Encode("\xfb\xff\xbf"), "+/+/");
  for (size_t n = 0; n < 300; ++n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 151 + n) & 0xFF);
    // Pieces as a body arrives: the same text, wherever the cuts fall.
    Base64Writer pieces;
    for (size_t at = 0, cut = 1; at < n; at += cut, cut = cut % 5 + 1)
      pieces.add(bytes.substr(at, cut));
    ASSERT_EQ(std::move(pieces).finish(), base64Encode(bytes)) << n;
  }
  // Only pure Base64 is read back.
  for (std::string_view bad : {
           "Zm9v\nYmFy", "Zm9vYmFy\n", "Zm9v\r\nYmFy", "Zm9v YmFy",  // breaks and blanks
           "Zm9", "Zm9vY",                                           // length
           "Zm9v-_Fy", "Zm9v*mFy", "Zm9v\xc3\xa9mF",                 // alphabet
           "Z===", "====", "Zg=a", "Z=g=", "Zg==Zm8=", "Zm=vYmFy",   // misplaced fill
       })
    EXPECT_EQ(base64Decode(bad), std::nullopt) << bad;
  EXPECT_EQ(base64Decode(std::string_view("Zm9v\0mFy", 8)), std::nullopt);
}

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
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;&amp;"), std::string::npos);
}

const std::string kHls = "https://cdn.example.net/live/a_b-1.m3u8?tok=Ab%3D9:x";
const std::string kKickBase = "https://player.kick.com/";
const std::string kApi = "https://www.youtube.com/iframe_api";

// Any level but 0 asks the Kick player for sound; the other players take
// the level through setVol, which the end-to-end suite hears.
TEST(VideoPagesTest, OnlyTheExactTipoKickPlaysKickMutedAtLevelZeroAndEachValueIsEncodedForItsSpot) {
  const Config config = Config::standard("/home/u");
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"kick", "https://h/x.m3u8", hlsPage("https://h/x.m3u8", 20)},
      {"kick", "", kickPage(config.kickPlayerBase, "chan", 20)},
      {"KICK", "https://h/x.m3u8", youTubePage(config.youTubeApiScript, "chan", 20)},
      {"", "", youTubePage(config.youTubeApiScript, "chan", 20)},
  };
  for (const auto& [tipo, hls, page] : cases)
    EXPECT_EQ(videoPage(config, tipo, "chan", hls, 20), page)
        << "tipo '" << tipo << "' hls '" << hls << "'";
  for (int vol : {0, 30, -1})
    EXPECT_EQ(
        kickPage(kKickBase, "c", vol).find("?autoplay=true&muted=true\"") != std::string::npos,
        vol == 0)
        << vol;

  // A value from the page lands exactly where the ordinary one did, through
  // the encoder for that spot (whose escapes are pinned above): nothing else
  // of the page changes.
  const auto replaced = [](std::string page, const std::string& from, const std::string& to) {
    return page.replace(page.find(from), from.size(), to);
  };
  for (const std::string v : {"\"><script>alert(1)</script>", "\\';alert(1);//\n",
                              "</script><!--<script>", "\xE2\x80\xA8x' onerror='x()", ""}) {
    std::string attribute, script, kickScript;
    appendHtmlAttribute(attribute, v);
    appendJsEscaped(script, v);
    appendJsEscaped(kickScript, kKickBase + v);
    EXPECT_EQ(hlsPage(v, 35), replaced(hlsPage(kHls, 35), kHls, attribute)) << v;
    const std::string player = kKickBase + "chan";
    EXPECT_EQ(kickPage(kKickBase, v, 0),
              replaced(replaced(kickPage(kKickBase, "chan", 0), player, kKickBase + attribute),
                       player, kickScript))
        << v;
    EXPECT_EQ(youTubePage(kApi, v, -7),
              replaced(youTubePage(kApi, "dQw4w9WgXcQ", -7), "dQw4w9WgXcQ", script))
        << v;
  }
}

}  // namespace
}  // namespace qv
