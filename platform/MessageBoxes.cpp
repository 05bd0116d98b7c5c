#include "platform/MessageBoxes.h"

#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace solvara {

const char* const kApplicationTitle = "Solvara";

namespace {
MessagePresenter& Presenter() {
  static MessagePresenter presenter;
  return presenter;
}

// Waits on a window for its first expose. Owned by the widget that asked.
class FirstPaintWaiter : public QObject {
 public:
  FirstPaintWaiter(QWidget* owner, std::function<void()> run)
      : QObject(owner), run_(std::move(run)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
      watched->removeEventFilter(this);
      // The expose is painted and flushed by the time its handling returns.
      QTimer::singleShot(0, this, [this] {
        const std::function<void()> run = std::move(run_);
        deleteLater();
        run();
      });
    }
    return false;
  }

 private:
  std::function<void()> run_;
};

}  // namespace

void AfterFirstPaint(QWidget* widget, std::function<void()> run) {
  QWindow* window = widget->window()->windowHandle();
  if (window == nullptr || !window->isVisible() || window->isExposed()) {
    run();
    return;
  }
  window->installEventFilter(new FirstPaintWaiter(widget, std::move(run)));
}

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
