// The result page's "Why?" window: where the points of the report came from and the ways
// forward, as a document read like the report (F6 into it) and printed like it.
#pragma once

#include <QDialog>

#include "questionnaire/Questions.h"

namespace solvara {

class TWebBrowser;

class TWhyDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TWhyDialog(QWidget* parent);

  // Puts the explanation of these answers in place of what the window showed.
  void Load(const TAnswers& answers);
  // The same, and brings the window up.
  void ShowFor(const TAnswers& answers);

 private slots:
  void btnWhyPrintClick();

 private:
  TWebBrowser* WebWhy = nullptr;
};

}  // namespace solvara
