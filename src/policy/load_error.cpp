#include "policy/load_error.h"

#include "util/encode.h"

namespace qv {
namespace {

const char* explanation(LoadFailure failure) {
  switch (failure) {
    case LoadFailure::HostNotFound:
      return "No se encontró el servidor de esta dirección. Compruebe la dirección y la conexión a "
             "Internet.";
    case LoadFailure::Refused:
      return "El servidor rechazó la conexión.";
    case LoadFailure::TimedOut:
      return "El servidor tardó demasiado en responder.";
    case LoadFailure::Offline:
      return "No hay conexión con la red.";
    case LoadFailure::Other:
      break;
  }
  return "Se produjo un error de red al cargarla.";
}

}  // namespace

std::string loadErrorPage(LoadFailure failure, const std::string& url) {
  std::string page =
      "<!doctype html><html lang=\"es\"><head><meta charset=\"utf-8\">"
      "<title>No se pudo abrir la página</title><style>"
      "body{margin:0;padding:48px;background:#0d1117;color:#e6edf3;font:15px sans-serif}"
      "h1{font-size:20px;font-weight:600}p{color:#9da7b3;overflow-wrap:anywhere}"
      "button{margin-top:16px;padding:6px 16px;font:inherit}</style></head><body>"
      "<h1>No se pudo abrir la página</h1><p>";
  page += explanation(failure);
  page += "</p><p>";
  appendHtmlText(page, url);
  page += "</p><button onclick=\"location.reload()\">Reintentar</button></body></html>";
  return page;
}

}  // namespace qv
