#include <filesystem>
#include <system_error>

#include "app/delegate.h"
#include "policy/download_name.h"

namespace qv {

std::string Delegate::downloadDestination(const std::string& suggestedName) {
  std::filesystem::path folder = platform.application.downloadsFolder();
  // A folder that cannot be made leaves the download to fail in the engine.
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return freePath(folder, safeFileName(suggestedName)).string();
}

// The notice goes to the main page, whichever view downloaded.
void Delegate::downloadFinished() {
  alPaginaLocal("typeof toastNativo==='function'&&toastNativo('Guardado en Descargas')");
}

}  // namespace qv
