// Finding a window's controls by their object names, and the report as the core
// writes it, for the tests of the questionnaire page.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include "questionnaire/Questions.h"

namespace solvara {
class TSolvaraForm;
}

// The control of that class and name below root. Nothing can be checked without it,
// so a missing one ends the test program, naming it.
template <typename T>
T* Child(const QObject* root, const char* name) {
  T* child = root->findChild<T*>(QLatin1String(name));
  if (child == nullptr) {
    qFatal("no %s named %s", T::staticMetaObject.className(), name);
  }
  return child;
}

// The HTML the page's report view holds now, and what it would hold for the core's
// report on the answers.
QString ShownReport(const solvara::TSolvaraForm& form);
QString ExpectedShownReport(const solvara::TSolvaraForm& form, const solvara::TAnswers& answers);

// The bytes the core's report on the answers is saved as.
QByteArray ExpectedSavedReport(const solvara::TAnswers& answers);

// Moves the page's tab strip to a tab with a click, as a user would.
void ClickTab(solvara::TSolvaraForm& form, int index);
