#include "policy/load_error.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

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
