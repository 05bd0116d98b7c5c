#include <QApplication>

#include "platform/MessageBoxes.h"
#include "shell/FormU.h"

int main(int argc, char* argv[]) {
  // Under the desktop's GTK platform theme, the theme starts GTK, and GTK its own
  // accessibility bridge: the bus would list this program twice, once as ours and once
  // as an empty second application. GTK reads this variable only while it starts,
  // which is inside the application's constructor; afterwards it goes again, so that
  // the programs started from here (the web browser, the mail program) keep their own
  // accessibility.
  const bool bridgeWasOff = qEnvironmentVariableIsSet("NO_AT_BRIDGE");
  if (!bridgeWasOff) {
    qputenv("NO_AT_BRIDGE", "1");
  }
  QApplication app(argc, argv);
  if (!bridgeWasOff) {
    qunsetenv("NO_AT_BRIDGE");
  }
  // Only the name: a display name would be appended to every window's caption.
  QApplication::setApplicationName(QString::fromLatin1(solvara::kApplicationTitle));
  solvara::TMainForm MainForm;
  MainForm.show();
  return app.exec();
}
