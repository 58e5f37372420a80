#include "bridge/mt5_status.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>
#include <tuple>

#include "util/base64.h"

namespace qv {
namespace fs = std::filesystem;
namespace {

struct Candidate {
  fs::path path;
  std::tuple<time_t, long> modified;  // st_mtim, seconds then nanoseconds
  bool regular;
};

// This runs on the main thread at every status fetch, so nothing recurses:
// each prefix costs one listing of its users and one stat per candidate, the
// date doubling as the test that something is there. A symlinked prefix or
// user is entered once like any folder; a loop only makes a stat fail with
// ELOOP. Every user entry is tried whatever its kind; the ones with nothing at
// the end of the tail drop out.
template <typename Fn>
void eachCommonFolder(const fs::path& prefix, Fn&& fn) {
  std::error_code ec;
  for (fs::directory_iterator it(prefix / "drive_c/users", ec), end; !ec && it != end;
       it.increment(ec))
    for (const char* appData : kMt5AppDataFolders) fn(it->path() / appData / kMt5CommonFiles);
}

// The file at `path` as a candidate, when anything is there.
std::optional<Candidate> candidateAt(fs::path path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return Candidate{std::move(path), {st.st_mtim.tv_sec, st.st_mtim.tv_nsec}, S_ISREG(st.st_mode)};
}

void addPrefix(const fs::path& prefix, std::vector<Candidate>& found) {
  eachCommonFolder(prefix, [&](const fs::path& folder) {
    if (auto candidate = candidateAt(folder / kMt5StatusFile))
      found.push_back(std::move(*candidate));
  });
}

// Every prefix the patterns name, in their order: a folder that cannot be
// listed adds nothing.
template <typename Fn>
void eachPrefix(const std::vector<std::string>& prefixes, Fn&& fn) {
  for (const std::string& pattern : prefixes) {
    if (!pattern.ends_with("/*")) {
      fn(fs::path(pattern));
      continue;
    }
    std::error_code ec;
    const fs::path parent = pattern.substr(0, pattern.size() - 2);
    for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
      fn(it->path());
    }
  }
}

std::vector<Candidate> candidates(const std::vector<std::string>& prefixes) {
  std::vector<Candidate> found;
  eachPrefix(prefixes, [&](const fs::path& prefix) { addPrefix(prefix, found); });
  return found;
}

// "quorvex_mt5_<digits>.json" → the digits; anything else → empty.
std::string_view loginOf(std::string_view name) {
  constexpr std::string_view head = "quorvex_mt5_", tail = ".json";
  if (name.size() <= head.size() + tail.size() || !name.starts_with(head) || !name.ends_with(tail))
    return {};
  auto login = name.substr(head.size(), name.size() - head.size() - tail.size());
  if (login.size() > 20 ||
      !std::all_of(login.begin(), login.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return {};
  return login;
}

// The account files of one prefix: one listing of its users, then one of
// each common folder found, one stat per account file.
void addAccounts(const fs::path& prefix, std::vector<std::pair<std::string, Candidate>>& found) {
  eachCommonFolder(prefix, [&](const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const auto name = it->path().filename().string();
      const auto login = loginOf(name);
      if (login.empty()) continue;
      if (auto candidate = candidateAt(it->path()))
        found.push_back({std::string(login), std::move(*candidate)});
    }
  });
}

// Only regular files are read: a pipe or a device at the path would block
// the main thread or never end. The listing's stat already said so; opening
// without blocking and checking again covers a swap in between. One open,
// one fstat and the reads: this runs at every status fetch.
std::optional<std::string> readWhole(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> bytes;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    bytes.emplace(static_cast<size_t>(st.st_size) + 1, '\0');  // one more: the end shows
    size_t used = 0;
    for (;;) {
      if (used == bytes->size()) bytes->resize(bytes->size() * 2);
      const ssize_t n = ::read(fd, bytes->data() + used, bytes->size() - used);
      if (n < 0) {
        bytes.reset();
        break;
      }
      if (n == 0) break;
      used += static_cast<size_t>(n);
    }
    if (bytes) bytes->resize(used);
  }
  ::close(fd);
  return bytes;
}

// Logins compare as numbers: fewer digits first, leading zeros aside.
bool loginBefore(const std::string& a, const std::string& b) {
  auto strip = [](const std::string& s) {
    std::string_view v = s;
    while (v.size() > 1 && v.front() == '0') v.remove_prefix(1);
    return v;
  };
  const auto x = strip(a), y = strip(b);
  return x.size() != y.size() ? x.size() < y.size() : x != y ? x < y : a < b;
}

}  // namespace

std::string mt5AccountsDocument(const std::vector<std::string>& prefixes) {
  std::vector<std::pair<std::string, Candidate>> found;
  eachPrefix(prefixes, [&](const fs::path& prefix) { addAccounts(prefix, found); });
  std::map<std::string, const Candidate*, decltype(&loginBefore)> newest(&loginBefore);
  for (const auto& [login, candidate] : found) {
    auto [at, fresh] = newest.try_emplace(login, &candidate);
    if (!fresh && candidate.modified > at->second->modified) at->second = &candidate;
  }
  auto cuentas = nlohmann::json::array();
  for (const auto& [login, candidate] : newest) {
    if (!candidate->regular) continue;
    const auto bytes = readWhole(candidate->path);
    if (!bytes || bytes->empty()) continue;
    const auto [sec, nsec] = candidate->modified;
    cuentas.push_back({{"login", login},
                       {"modificado", static_cast<long long>(sec) * 1000 + nsec / 1000000},
                       {"contenido", *bytes}});
  }
  return nlohmann::json{{"cuentas", std::move(cuentas)}}.dump(
      -1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string mt5Accounts(const std::vector<std::string>& prefixes) {
  return base64Encode(mt5AccountsDocument(prefixes));
}

std::string mt5Status(const std::vector<std::string>& prefixes) {
  const auto found = candidates(prefixes);
  if (found.empty()) return "";
  const Candidate* newest = &found.front();
  for (const auto& candidate : found) {
    if (candidate.modified > newest->modified) newest = &candidate;
  }
  if (!newest->regular) return "";
  const auto bytes = readWhole(newest->path);
  return bytes ? base64Encode(*bytes) : "";
}

}  // namespace qv
