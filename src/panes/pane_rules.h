// The rules that decide what a pane loads, apart from the panes themselves.
#pragma once

#include <optional>
#include <string>

namespace qv {

// What a video pane shows; a pane whose key is unchanged is not reloaded.
// A plain concatenation: ("yt", "abc", "") and ("ytab", "c", "") collide.
std::string paneKey(const std::string& tipo, const std::string& id, const std::string& hls);

// The first address of a new web pane: the stored one when it parses as a
// URL, else the one the page asked for when that parses, else none.
std::optional<std::string> webStartAddress(const std::optional<std::string>& stored,
                                           const std::string& requested);

}  // namespace qv
