#include "platform/MessageBoxes.h"

#include <QMessageBox>
#include <QPointer>

namespace solvara {

const char* const kApplicationTitle = "Solvara";

namespace {
MessagePresenter& Presenter() {
  static MessagePresenter presenter;
  return presenter;
}
}  // namespace

void SetMessagePresenter(MessagePresenter presenter) {
  Presenter() = std::move(presenter);
}

void ShowMessage(QWidget* parent, BoxKind kind, const QString& text, const QString& description) {
  if (Presenter()) {
    Presenter()(parent, kind, text);
    return;
  }
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (kind) {
    case BoxKind::Plain:
      caption = QString::fromLatin1(kApplicationTitle);
      break;
    case BoxKind::Information:
      caption = QStringLiteral("Information");
      icon = QMessageBox::Information;
      break;
    case BoxKind::Error:
      caption = QStringLiteral("Error");
      icon = QMessageBox::Critical;
      break;
  }
  // On the heap and owned by the parent: a command that arrives while the box is up
  // (assistive tools act on the window behind a modal box) may destroy the parent,
  // and the box goes with it instead of being freed a second time from the stack.
  QPointer<QMessageBox> box = new QMessageBox(icon, caption, text, QMessageBox::Ok, parent);
  box->setAccessibleDescription(description);
  box->exec();
  delete box;
}

}  // namespace solvara
