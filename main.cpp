#include <QApplication>

#include "shell/FormU.h"
#include "shell/MessageBoxes.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // Only the name: a display name would be appended to every window's caption.
  QApplication::setApplicationName(QString::fromLatin1(solvara::kApplicationTitle));
  solvara::TMainForm MainForm;
  MainForm.show();
  return app.exec();
}
