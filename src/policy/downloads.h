// Where a download lands: a plain name inside the Downloads folder that
// never replaces anything already there.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qv {

// The server's suggestion reduced to one harmless file name: the last path
// component ("/" or "\" separated), without control characters; a name with
// nothing but dots and spaces becomes "descarga". Ordinary names pass as is;
// one over the file system's 255 bytes loses the end of its stem, never its
// extension, and is never cut inside a character.
std::string safeFileName(std::string_view suggested);

// Alternative `n` (1, 2, ...) for `name`: its stem, " (n).", its extension,
// where a leading dot does not start an extension ("datos.tar.gz" gives
// "datos.tar (1).gz", "LEEME" gives "LEEME (1)."), shortened in its stem to
// stay within the same 255 bytes.
std::string numberedName(const std::string& name, unsigned long n);

// The first of `name`, numberedName(name, 1), numberedName(name, 2), ... that
// nothing in `folder` occupies: a file, a folder or a link, even a dangling one.
std::filesystem::path freePath(const std::filesystem::path& folder, const std::string& name);

}  // namespace qv
