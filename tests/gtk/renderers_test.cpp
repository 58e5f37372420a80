#include "host/gtk/renderers.h"

#include <gtest/gtest.h>

namespace qv::gtk {
namespace {

TEST(Renderers, GpuOnlyWhereARenderNodeHasHardwareBehindIt) {
  struct Case {
    Machine machine;
    bool gpu, dmabuf;
  } cases[] = {
      {{{}, false}, false, false},        {{{"vgem"}, false}, false, false},
      {{{"amdgpu"}, false}, true, true},  {{{"vgem", "i915"}, false}, true, true},
      {{{"nvidia"}, false}, true, false}, {{{"i915"}, true}, false, false},
  };
  for (const auto& c : cases) {
    auto choice = chooseRenderers(c.machine);
    EXPECT_EQ(std::pair(choice.gpu, choice.dmabuf), std::pair(c.gpu, c.dmabuf)) << choice.why;
  }
}

}  // namespace
}  // namespace qv::gtk
