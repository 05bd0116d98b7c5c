// The program's message boxes, all with one OK button, in one place so that tests
// can watch them instead of waiting on a modal box.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace solvara {

enum class BoxKind {
  Plain,        // caption: the application title, no icon
  Information,  // caption "Information"
  Error         // caption "Error", error icon
};

// The description, if any, is for assistive tools only: what a listener needs to know
// about the box beyond its text.
void ShowMessage(QWidget* parent, BoxKind kind, const QString& text,
                 const QString& description = QString());

// Runs run at once; but while widget's window is shown and not yet on screen, only once
// its first paint has gone out, so that a box about the window comes up over it rather
// than holding its first paint up. Never, if widget goes first.
void AfterFirstPaint(QWidget* widget, std::function<void()> run);

// Replaces the boxes while a test runs; an empty function restores the real ones.
using MessagePresenter = std::function<void(QWidget* parent, BoxKind kind, const QString& text)>;
void SetMessagePresenter(MessagePresenter presenter);

extern const char* const kApplicationTitle;  // "Solvara"

}  // namespace solvara
