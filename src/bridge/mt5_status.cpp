#include "bridge/mt5_status.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "util/base64.h"

namespace qv {
namespace fs = std::filesystem;
namespace {

struct Candidate {
  fs::path path;
  fs::file_time_type modified;
};

// This runs on the main thread at every status fetch, so nothing recurses:
// each prefix costs one listing of its users and one stat per candidate, the
// date doubling as the test that something is there. A symlinked prefix or
// user is entered once like any folder; a loop only makes a stat fail with
// ELOOP. Every user entry is tried whatever its kind; the ones with nothing at
// the end of the tail drop out.
void addPrefix(const fs::path& prefix, std::vector<Candidate>& found) {
  const auto users = prefix / "drive_c/users";
  std::error_code ec;
  for (fs::directory_iterator it(users, ec), end; !ec && it != end; it.increment(ec)) {
    for (const char* appData : kMt5AppDataFolders) {
      auto path = it->path() / appData / kMt5StatusFile;
      std::error_code statError;
      const auto modified = fs::last_write_time(path, statError);
      if (!statError) found.push_back({std::move(path), modified});
    }
  }
}

// A folder that cannot be listed adds nothing.
std::vector<Candidate> candidates(const std::vector<std::string>& prefixes) {
  std::vector<Candidate> found;
  for (const std::string& pattern : prefixes) {
    if (!pattern.ends_with("/*")) {
      addPrefix(pattern, found);
      continue;
    }
    std::error_code ec;
    const fs::path parent = pattern.substr(0, pattern.size() - 2);
    for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
      addPrefix(it->path(), found);
    }
  }
  return found;
}

// Only regular files are read: a pipe or a device at the path would block
// the main thread or never end.
std::optional<std::string> readWhole(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace

std::string mt5Status(const std::vector<std::string>& prefixes) {
  const auto found = candidates(prefixes);
  if (found.empty()) return "";
  const Candidate* newest = &found.front();
  for (const auto& candidate : found) {
    if (candidate.modified > newest->modified) newest = &candidate;
  }
  const auto bytes = readWhole(newest->path);
  return bytes ? base64Encode(*bytes) : "";
}

}  // namespace qv
