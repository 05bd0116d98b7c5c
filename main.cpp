#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Solvara");
  QApplication::setApplicationDisplayName("Solvara");
  QLabel placeholder("Solvara");
  placeholder.show();
  return app.exec();
}
