#include "policy/downloads.h"

#include <algorithm>
#include <system_error>

namespace qv {
namespace {

constexpr const char* kFallbackName = "descarga";
// What ext4, btrfs and most other file systems take for one name, in bytes.
constexpr size_t kMaxNameBytes = 255;

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

// Position just past the dot that starts the extension, or npos when the name
// has none. A dot at the very start marks a hidden file, not an extension;
// a trailing dot gives an empty one.
std::string::size_type extensionStart(const std::string& name) {
  auto dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return std::string::npos;
  return dot + 1;
}

// An extension too long to keep whole is no extension: the name is cut
// like any other stem.
std::string::size_type keptExtensionStart(const std::string& name) {
  auto start = extensionStart(name);
  return start != std::string::npos && name.size() - start <= kMaxNameBytes / 2 ? start
                                                                                : std::string::npos;
}

// `stem`, cut on a character boundary, then `tail`, within the byte limit.
std::string fitted(std::string stem, const std::string& tail) {
  if (stem.size() + tail.size() <= kMaxNameBytes) return stem + tail;
  size_t keep = kMaxNameBytes - tail.size();
  while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
  stem.resize(keep);
  return stem + tail;
}

std::string withSuffix(const std::string& name, const std::string& suffix) {
  auto start = keptExtensionStart(name);
  if (start == std::string::npos) return fitted(name, suffix);
  return fitted(name.substr(0, start - 1), suffix + "." + name.substr(start));
}

}  // namespace

std::string safeFileName(std::string_view suggested) {
  std::string name;
  for (char c : suggested)
    if (!isControl(static_cast<unsigned char>(c))) name += c;

  // The last component that has anything in it: "informes/" is "informes".
  auto isSeparator = [](char c) { return c == '/' || c == '\\'; };
  auto end = std::find_if_not(name.rbegin(), name.rend(), isSeparator).base();
  auto begin = std::find_if(std::make_reverse_iterator(end), name.rend(), isSeparator).base();
  name = std::string(begin, end);

  bool onlyDotsAndSpaces = name.find_first_not_of(". ") == std::string::npos;
  return onlyDotsAndSpaces ? kFallbackName : withSuffix(name, "");
}

std::string numberedName(const std::string& name, unsigned long n) {
  const std::string number = " (" + std::to_string(n) + ")";
  if (keptExtensionStart(name) == std::string::npos) return fitted(name, number + ".");
  return withSuffix(name, number);
}

std::filesystem::path freePath(const std::filesystem::path& folder, const std::string& name) {
  // A link counts as taken: the engine would write through it. A path that
  // cannot be examined counts as free, so the search always ends; writing
  // there fails the same way.
  auto taken = [](const std::filesystem::path& p) {
    std::error_code ec;
    auto status = std::filesystem::symlink_status(p, ec);
    return !ec && status.type() != std::filesystem::file_type::not_found;
  };
  auto candidate = folder / name;
  for (unsigned long n = 1; taken(candidate); ++n) candidate = folder / numberedName(name, n);
  return candidate;
}

}  // namespace qv
