// The MetaTrader 5 status file, "quorvex_mt5.json", looked for under every
// Windows user of the Wine prefixes; the newest one is passed on untouched.
#pragma once

#include <string>
#include <vector>

namespace qv {

inline constexpr char kMt5StatusTail[] =
    "/AppData/Roaming/MetaQuotes/Terminal/Common/Files/quorvex_mt5.json";

// Base64 of the newest status file, or empty when there is none, or when the
// newest cannot be read, is not a regular file, or is empty. Each users
// folder (ending in "/") is listed in turn; candidates keep folder order,
// then listing order, and a later one wins only when strictly newer.
std::string mt5Status(const std::vector<std::string>& usersFolders);

}  // namespace qv
