#include "host/gtk/renderers.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace qv::gtk {
namespace {

// Render nodes without 3D hardware behind them: GL there is Mesa's software
// rasteriser.
constexpr std::array<std::string_view, 4> kSoftwareOnly = {"vgem", "vkms", "evdi", "udl"};

bool hardware(const std::string& driver) {
  return std::find(kSoftwareOnly.begin(), kSoftwareOnly.end(), driver) == kSoftwareOnly.end();
}

}  // namespace

RendererChoice chooseRenderers(const Machine& machine) {
  if (machine.softwareGlAsked)
    return {false, false, "GL por software pedido (LIBGL_ALWAYS_SOFTWARE)"};
  const auto& drivers = machine.renderNodeDrivers;
  auto gpu = std::find_if(drivers.begin(), drivers.end(), hardware);
  if (gpu == drivers.end())
    return {false, false,
            drivers.empty() ? "sin nodo de render" : "nodo de render sin GPU (" + drivers[0] + ")"};
  // NVIDIA's own driver paints WebKit's DMA-BUF frames blank on many
  // versions; its GL is fast either way.
  return {true, *gpu != "nvidia", "GPU (" + *gpu + ")"};
}

}  // namespace qv::gtk
