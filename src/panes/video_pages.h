// The small pages a video pane shows. Each defines `setVol(n)`, through which
// the volume is changed later without reloading the page.
#pragma once

#include <cstdint>
#include <string>

#include "app/config.h"

namespace qv {

// A plain video element playing an HLS address.
std::string hlsPage(const std::string& hls, std::int64_t vol);
// Kick's web player for a channel, in an iframe.
std::string kickPage(const std::string& playerBase, const std::string& channel, std::int64_t vol);
// A YouTube player built through the IFrame API, with a watchdog that rebuilds it.
std::string youTubePage(const std::string& apiScript, const std::string& videoId, std::int64_t vol);

// Only the exact tipo "kick" plays Kick (directly from `hls` when there is
// one); every other tipo is a YouTube video.
std::string videoPage(const Config& config, const std::string& tipo, const std::string& id,
                      const std::string& hls, std::int64_t vol);

}  // namespace qv
