#include "ui/interactive_mode.h"

#include <QApplication>

#include "log/run_log.h"
#include "run/run_context.h"
#include "ui/frm_main.h"
#include "ui/message_box_error_box.h"

namespace tallyvane {

int RunInteractiveMode(RunContext& context) {
  // Without a display the toolkit would abort the process; say what to do
  // instead.
  if (!HasDisplay()) {
    ShowError(context.wiring,
              "Cannot show the main window: no display is available. Set DISPLAY, or run unattended with "
              "-C -F <configuration file>.");
    return 2;
  }
  EnsureGuiApplication();
  int status = 0;
  {
    FrmMain window(context);
    window.show();
    status = QApplication::exec();  // 2 after a run that a signal stopped
  }
  context.session.LogStream.reset();
  context.wiring.FileSystem.reset();
  context.wiring.View = nullptr;
  return status;
}

}  // namespace tallyvane
