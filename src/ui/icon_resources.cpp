#include "ui/icon_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterIcons() { Q_INIT_RESOURCE(icons); }

namespace tallyvane {

void EnsureIconResources() {
  static const bool registered = (RegisterIcons(), true);
  (void)registered;
}

}  // namespace tallyvane
