#include "platform/AccessibleU.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>

#include "platform/LinkLabel.h"
#include "shell/browser/BrowserU.h"

namespace solvara {

namespace {

// The key into the document view of the page shown, as browsers move into their page.
const char* const kReadDocumentKey = "F6";

// Acting on a control through the bus runs its command once the bus has had its
// answer, as Qt does for its own buttons: a command may open a modal box, and the
// caller must not wait on that box.
template <typename T, typename F>
void Later(T* object, F command) {
  QTimer::singleShot(0, object, command);
}

class TPageButtonAccessible : public QAccessibleWidget {
 public:
  explicit TPageButtonAccessible(QWidget* button)
      : QAccessibleWidget(button, QAccessible::RadioButton) {}

  QAbstractButton* Button() const { return static_cast<QAbstractButton*>(widget()); }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = Button()->isChecked();
    s.pressed = Button()->isDown();
    return s;
  }

  // The captions end in blanks that only made room beside the pictures.
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
      return Button()->text().trimmed();
    }
    return QAccessibleWidget::text(t);
  }

  QStringList actionNames() const override {
    QStringList names;
    if (widget()->isEnabled()) {
      names << pressAction() << toggleAction();
    }
    return names + QAccessibleWidget::actionNames();
  }

  // A click keeps the group's one button down, or puts this one down, and runs the
  // command even when the button was down already.
  void doAction(const QString& name) override {
    if (name == pressAction() || name == toggleAction()) {
      if (widget()->isEnabled()) {
        Later(Button(), [button = Button()] { button->click(); });
      }
      return;
    }
    QAccessibleWidget::doAction(name);
  }
};

class TLinkAccessible : public QAccessibleWidget {
 public:
  explicit TLinkAccessible(TLinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

  TLinkLabel* Label() const { return static_cast<TLinkLabel*>(widget()); }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
      return Label()->text();
    }
    return QAccessibleWidget::text(t);
  }

  QStringList actionNames() const override {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& name) override {
    if (name == pressAction()) {
      Later(Label(), [label = Label()] { emit label->Click(); });
      return;
    }
    QAccessibleWidget::doAction(name);
  }
};

// A document view read through the Text interface, as screen readers read documents:
// Qt offers a rich-text browser as a label whose text is never handed out.
class TDocumentAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit TDocumentAccessible(QTextBrowser* view)
      : QAccessibleWidget(view, QAccessible::Document) {}

  // Both bases have a text(): the name, description and the like from the widget's,
  // a span of the document from the text interface's.
  using QAccessibleWidget::text;

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) {
      return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
  }

  void selection(int index, int* start, int* end) const override {
    const QTextCursor cursor = View()->textCursor();
    *start = index == 0 && cursor.hasSelection() ? cursor.selectionStart() : 0;
    *end = index == 0 && cursor.hasSelection() ? cursor.selectionEnd() : 0;
  }
  int selectionCount() const override { return View()->textCursor().hasSelection() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int index) override {
    if (index == 0) {
      setCursorPosition(cursorPosition());
    }
  }
  void setSelection(int index, int start, int end) override {
    if (index == 0) {
      View()->setTextCursor(Span(start, end));
    }
  }

  int cursorPosition() const override { return View()->textCursor().position(); }
  void setCursorPosition(int position) override { setSelection(0, position, position); }

  QString text(int start, int end) const override {
    return Span(start, end)
        .selectedText()
        .replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
        .replace(QChar::LineSeparator, QLatin1Char('\n'));
  }
  int characterCount() const override {
    QTextCursor cursor(View()->document());
    cursor.movePosition(QTextCursor::End);
    return cursor.position();
  }

  QRect characterRect(int offset) const override {
    const QTextCursor at = Span(offset, offset);
    const QTextCursor next = Span(offset + 1, offset + 1);
    QRect rect = View()->cursorRect(at);
    const QRect after = View()->cursorRect(next);
    if (after.top() == rect.top()) {
      rect.setRight(std::max(rect.left(), after.left() - 1));
    }
    return QRect(View()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    const QPoint local = View()->viewport()->mapFromGlobal(point);
    return View()->viewport()->rect().contains(local) ? View()->cursorForPosition(local).position()
                                                      : -1;
  }

  void scrollToSubstring(int start, int end) override {
    const QRect first = View()->cursorRect(Span(start, start));
    const QRect last = View()->cursorRect(Span(end, end));
    const int height = View()->viewport()->height();
    QScrollBar* bar = View()->verticalScrollBar();
    if (last.bottom() > height) {
      bar->setValue(bar->value() + last.bottom() - height);
    }
    if (first.top() < 0 || first.top() > height) {
      bar->setValue(bar->value() + first.top());
    }
  }

  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return QString();
  }

 private:
  QTextBrowser* View() const { return static_cast<QTextBrowser*>(widget()); }

  QTextCursor Span(int start, int end) const {
    const int last = characterCount();
    QTextCursor cursor(View()->document());
    cursor.setPosition(std::clamp(start, 0, last));
    cursor.setPosition(std::clamp(end < 0 ? last : end, 0, last), QTextCursor::KeepAnchor);
    return cursor;
  }
};

QAccessibleInterface* OurInterfaces(const QString& className, QObject* object) {
  if (className == QLatin1String(TPageButton::staticMetaObject.className())) {
    return new TPageButtonAccessible(static_cast<TPageButton*>(object));
  }
  if (className == QLatin1String(TLinkLabel::staticMetaObject.className())) {
    return new TLinkAccessible(static_cast<TLinkLabel*>(object));
  }
  // Asked for every class a view derives from; the browser's own class comes first.
  if (className == QLatin1String(QTextBrowser::staticMetaObject.className()) &&
      qobject_cast<TWebBrowser*>(object->parent()) != nullptr) {
    return new TDocumentAccessible(static_cast<QTextBrowser*>(object));
  }
  return nullptr;
}

// The focus goes into the view on the key and back to where it came from on Escape.
class TReadingKeys : public QObject {
 public:
  explicit TReadingKeys(QTextBrowser* view) : QObject(view), view_(view) {
    view->installEventFilter(this);
  }

  void Enter() {
    QWidget* focus = QApplication::focusWidget();
    if (focus != view_) {
      from_ = focus;
    }
    view_->setFocus(Qt::ShortcutFocusReason);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == view_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
      Leave();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void Leave() {
    QWidget* back = from_;
    if (back == nullptr || !back->isVisible() || !back->isEnabled() ||
        back->window() != view_->window()) {
      // Where the Tab key would go next.
      back = NextTabStop(view_, [view = view_](const QWidget* w) {
        return w->window() == view->window() && !view->isAncestorOf(w);
      });
    }
    from_ = nullptr;
    if (back != nullptr) {
      back->setFocus(Qt::ShortcutFocusReason);
    }
  }

  QTextBrowser* view_;
  QPointer<QWidget> from_;
};

}  // namespace

void InstallAccessibleInterfaces() {
  QAccessible::installFactory(OurInterfaces);
}

void MakeReadable(TWebBrowser* browser) {
  // The keyboard's place must show when it is in the view: the style draws no focus
  // for a read-only text.
  browser->View()->setStyleSheet(
      QStringLiteral("QTextBrowser:focus { border: 2px solid palette(highlight); }"));
  auto* keys = new TReadingKeys(browser->View());
  auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(kReadDocumentKey)), browser);
  QObject::connect(shortcut, &QShortcut::activated, keys, &TReadingKeys::Enter);
}

QWidget* NextTabStop(QWidget* from, const std::function<bool(const QWidget*)>& wanted) {
  for (QWidget* w = from->nextInFocusChain(); w != from && w != nullptr;
       w = w->nextInFocusChain()) {
    if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) != 0 && wanted(w)) {
      return w;
    }
  }
  return nullptr;
}

void SetDocumentName(TWebBrowser* browser, const QString& name) {
  QTextBrowser* view = browser->View();
  browser->setAccessibleName(name);
  view->setAccessibleName(name);
  view->verticalScrollBar()->setAccessibleName(name);
  view->horizontalScrollBar()->setAccessibleName(name);
}

}  // namespace solvara
