#include <filesystem>
#include <system_error>

#include "app/delegate.h"
#include "policy/downloads.h"

namespace qv {

std::string Delegate::downloadDestination(const std::string& suggestedName) {
  std::filesystem::path folder = platform.application.downloadsFolder();
  // A folder that cannot be made leaves the download to fail in the engine.
  std::error_code failed;
  std::filesystem::create_directories(folder, failed);
  if (failed)
    platform.log.debug("descargas",
                       "no se pudo crear " + folder.string() + ": " + failed.message());
  return freePath(folder, safeFileName(suggestedName)).string();
}

// The notice goes to the main page, whichever view downloaded.
void Delegate::downloadFinished() { notifyPage("toast", "\"Guardado en Descargas\""); }

}  // namespace qv
