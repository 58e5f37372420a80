// The rules that decide what a pane loads, apart from the panes themselves.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "util/browser_url.h"

namespace qv {

// What a video pane shows; a pane whose key is unchanged is not reloaded.
// A plain concatenation: ("yt", "abc", "") and ("ytab", "c", "") collide.
std::string paneKey(const std::string& tipo, const std::string& id, const std::string& hls);

// The first address of a new web pane, as a browser would write it: the
// stored one when it is a web address on the host the page asked for, else
// the one the page asked for, else none.
std::optional<BrowserUrl> webStartAddress(const std::optional<std::string>& stored,
                                          const std::string& requested);

// Whether an address a pane moved to (as the engine reports it) is a channel
// to reopen at the next start: only on the host the pane started on, so that
// no page it visits chooses what opens later.
bool remembersChannel(const std::optional<std::string>& shown, std::string_view startHost);

}  // namespace qv
