// What screen readers and keyboard-only users need beyond Qt's own accessibility: the
// page bar's buttons act as a click does, the document views read as documents, and
// the keyboard reaches those views without making them Tab stops.
#pragma once

#include <QString>
#include <QToolButton>
#include <functional>

namespace solvara {

class TWebBrowser;

// A button of the main window's page bar. Offered to assistive tools as one of a set
// of exclusive choices whose "Press" and "Toggle" run the same command as a click;
// Qt's own toggle would only check the button and leave the page as it was.
class TPageButton : public QToolButton {
  Q_OBJECT

 public:
  using QToolButton::QToolButton;
};

// Puts our own accessible interfaces in place (the page bar's buttons, the document
// views, the About box's links). Idempotent; call before the first window is built,
// since Qt keeps an object's first interface for its lifetime.
void InstallAccessibleInterfaces();

// Lets the keyboard into a document view that is no Tab stop: F6 moves the focus into
// it, where the arrow and page keys scroll; Escape returns the focus to where it came
// from and Tab moves on as anywhere else.
void MakeReadable(TWebBrowser* browser);

// The first control after from in the focus chain that the Tab key could reach now and
// that wanted takes; null when there is none.
QWidget* NextTabStop(QWidget* from, const std::function<bool(const QWidget*)>& wanted);

// Names a document view, its HTML area and their scroll bars for assistive tools.
void SetDocumentName(TWebBrowser* browser, const QString& name);

}  // namespace solvara
