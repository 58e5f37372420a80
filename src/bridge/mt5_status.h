// The MetaTrader 5 status file, "quorvex_mt5.json", looked for under every
// Windows user of the Wine prefixes; the newest one is passed on untouched.
#pragma once

#include <string>
#include <vector>

namespace qv {

// Where a Windows user's roaming data lives: the first for Vista and later,
// the second for the XP layout some older prefixes still use.
inline constexpr const char* kMt5AppDataFolders[] = {"AppData/Roaming", "Application Data"};
inline constexpr char kMt5StatusFile[] = "MetaQuotes/Terminal/Common/Files/quorvex_mt5.json";

// Base64 of the newest status file, or empty when there is none, or when the
// newest cannot be read, is not a regular file, or is empty. Each prefix is a
// Wine prefix folder, or a folder followed by "/*" for every prefix directly
// inside it. Candidates keep prefix order, then listing order of prefixes and
// users, then the order of kMt5AppDataFolders; a later one wins only when
// strictly newer.
std::string mt5Status(const std::vector<std::string>& prefixes);

}  // namespace qv
