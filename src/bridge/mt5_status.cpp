#include "bridge/mt5_status.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "util/base64.h"

namespace qv {
namespace fs = std::filesystem;
namespace {

// Every entry is a candidate, whatever its kind; the ones with nothing at
// the end of the tail drop out. A folder that cannot be listed adds nothing.
std::vector<fs::path> candidates(const std::vector<std::string>& usersFolders) {
  std::vector<fs::path> found;
  for (const auto& folder : usersFolders) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      fs::path candidate = folder + it->path().filename().string() + kMt5StatusTail;
      if (fs::exists(candidate, ec)) found.push_back(std::move(candidate));
      ec.clear();
    }
  }
  return found;
}

// An unreadable date counts as the earliest there is.
fs::file_time_type modified(const fs::path& path) {
  std::error_code ec;
  auto time = fs::last_write_time(path, ec);
  return ec ? fs::file_time_type::min() : time;
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

std::string mt5Status(const std::vector<std::string>& usersFolders) {
  const auto found = candidates(usersFolders);
  if (found.empty()) return "";
  const fs::path* newest = &found.front();
  for (const auto& candidate : found) {
    if (modified(candidate) > modified(*newest)) newest = &candidate;
  }
  const auto bytes = readWhole(*newest);
  return bytes ? base64Encode(*bytes) : "";
}

}  // namespace qv
