// The MetaTrader 5 status file, "quorvex_mt5.json", looked for under every
// Windows user of the Wine prefixes; the newest one is passed on untouched.
#pragma once

#include <string>
#include <vector>

namespace qv {

// Where a Windows user's roaming data lives: the first for Vista and later,
// the second for the XP layout some older prefixes still use.
inline constexpr const char* kMt5AppDataFolders[] = {"AppData/Roaming", "Application Data"};
// The terminals' common folder inside each of those, and the status file in it.
inline constexpr char kMt5CommonFiles[] = "MetaQuotes/Terminal/Common/Files";
inline constexpr char kMt5StatusFile[] = "quorvex_mt5.json";

// Base64 of the newest status file, or empty when there is none, or when the
// newest cannot be read, is not a regular file, or is empty. Each prefix is a
// Wine prefix folder, or a folder followed by "/*" for every prefix directly
// inside it. Candidates keep prefix order, then listing order of prefixes and
// users, then the order of kMt5AppDataFolders; a later one wins only when
// strictly newer.
std::string mt5Status(const std::vector<std::string>& prefixes);

// The account files, "quorvex_mt5_<login>.json" (the login in decimal
// digits) beside the status file in the same folders, as one JSON document:
//   {"cuentas":[{"login":"<digits>","modificado":<ms since 1970>,"contenido":"<file text>"},...]}
// One entry per login, the newest of its files (a tie goes to the earlier one
// in the order above), sorted by login as a number. Each file's text goes in
// as a JSON string, never parsed, bytes that are not UTF-8 read as U+FFFD. A
// login whose newest file cannot be read, is not a regular file or is empty
// is left out: there is no fallback to an older one. With no account file the
// list is empty.
std::string mt5AccountsDocument(const std::vector<std::string>& prefixes);
// The document above as the data text of a fetch reply (Base64).
std::string mt5Accounts(const std::vector<std::string>& prefixes);

}  // namespace qv
