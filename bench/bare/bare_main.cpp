// The yardstick for the start-up figures: the least a Qt Widgets program with an
// HTML view can do, a main window of the program's size holding one QTextBrowser
// that shows a page as small as the built-in news page.
#include <QApplication>
#include <QMainWindow>
#include <QTextBrowser>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("Solvara bare");
  auto* browser = new QTextBrowser(&window);
  browser->setHtml(
      "<html><h1><a href=\"https://www.solvara.example\">Solvara</a></h1><p><b>Thank you for "
      "using Solvara</b><br><br>An internet connection is required only to view this news "
      "page.</html>");
  window.setCentralWidget(browser);
  window.resize(648, 428);
  window.show();
  return app.exec();
}
