#include "policy/download_name.h"

#include <algorithm>
#include <system_error>

namespace qv {
namespace {

constexpr const char* kFallbackName = "descarga";

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

// Position just past the dot that starts the extension, or npos when the name
// has none. A dot at the very start marks a hidden file, not an extension;
// a trailing dot gives an empty one.
std::string::size_type extensionStart(const std::string& name) {
  auto dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return std::string::npos;
  return dot + 1;
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
  return onlyDotsAndSpaces ? kFallbackName : name;
}

std::string numberedName(const std::string& name, unsigned long n) {
  auto start = extensionStart(name);
  std::string stem = start == std::string::npos ? name : name.substr(0, start - 1);
  std::string extension = start == std::string::npos ? "" : name.substr(start);
  return stem + " (" + std::to_string(n) + ")." + extension;
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
