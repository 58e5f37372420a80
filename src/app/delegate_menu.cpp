#include "app/delegate.h"

namespace qv {

void Delegate::menu() {
  using A = MenuAction;
  std::vector<Menu> bar = {
      {"QUORVEX",
       {{.title = "Recargar", .key = 'r', .command = "recargar"},
        {},
        {"Salir de QUORVEX", A::Salir, 'q'}}},
      {"Edición",
       {{"Deshacer", A::Deshacer, 'z'},
        {"Cortar", A::Cortar, 'x'},
        {"Copiar", A::Copiar, 'c'},
        {"Pegar", A::Pegar, 'v'},
        {"Seleccionar todo", A::SeleccionarTodo, 'a'}}},
      {"Ventana",
       {{"Minimizar", A::Minimizar, 'm'},
        {"Cerrar", A::Cerrar, 'w'},
        {},
        {.title = "No molestar", .key = 'd', .command = "noMolestar", .checkable = true},
        {.title = "Recursos", .command = "recursos"}}},
  };
  platform.application.installMenu(bar, alive.guard([this](const std::string& command) {
    if (command == "recargar") recargar();
    if (command == "noMolestar") noMolestar({{"activo", !doNotDisturb}});
    if (command == "recursos") recursos(true);
  }));
}

void Delegate::recargar() {
  // Panes and site windows stay as they are while the page under them reloads.
  webView->reload();
}

}  // namespace qv
