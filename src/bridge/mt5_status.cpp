#include "bridge/mt5_status.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
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
void addPrefix(const fs::path& prefix, std::vector<Candidate>& found) {
  const auto users = prefix / "drive_c/users";
  std::error_code ec;
  for (fs::directory_iterator it(users, ec), end; !ec && it != end; it.increment(ec)) {
    for (const char* appData : kMt5AppDataFolders) {
      auto path = it->path() / appData / kMt5StatusFile;
      struct stat st {};
      if (::stat(path.c_str(), &st) == 0)
        found.push_back(
            {std::move(path), {st.st_mtim.tv_sec, st.st_mtim.tv_nsec}, S_ISREG(st.st_mode)});
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

}  // namespace

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
