// Pages of questions built from the question table: each question becomes its
// controls (a slider with its value in words and scale, a row of radio buttons, an
// edit box, the occupation list), and the answers are read back from those controls.
#pragma once

#include <QString>
#include <initializer_list>
#include <utility>
#include <vector>

#include "questionnaire/Questions.h"

class QBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QObject;
class QRadioButton;
class QSlider;
class QStackedWidget;
class QVBoxLayout;
class QWidget;

namespace solvara {

// The room between a page's edges and its questions.
constexpr int kPageMargin = 16;

// The object name a new control gets, by which tests and assistive tools find it, and
// the member that keeps it where the form reads it again after building.
template <typename T>
struct Slot {
  Slot(const char* name) : name(name) {}
  Slot(const char* name, T*& member) : name(name), member(&member) {}

  const char* name;
  T** member = nullptr;

  T* Hold(T* widget) const {
    widget->setObjectName(QLatin1String(name));
    if (member != nullptr) {
      *member = widget;
    }
    return widget;
  }
};

// For each question, the control that holds its answer: a slider, a button group whose
// ids are the choices' values, an edit box or the list.
using TAnswerControls = std::vector<std::pair<const TQuestion*, QObject*>>;

// The answers as the controls hold them now.
TAnswers ReadAnswers(const TAnswerControls& controls);

// The words for a slider's position, by its question.
QString SliderWords(const TAnswerControls& controls, const QSlider* slider);

QLabel* MakeLabel(Slot<QLabel> slot, QWidget* parent, const QString& text, bool wrap = false);

class TPageBuilder {
 public:
  // Pages go into pages; button groups belong to owner.
  TPageBuilder(QObject* owner, QStackedWidget* pages, TAnswerControls& controls)
      : owner_(owner), pages_(pages), controls_(controls) {}

  // A new page with its title in bold; returns its layout.
  QVBoxLayout* Page(Slot<QWidget> page, Slot<QLabel> title, const QString& titleText);
  QLabel* Text(QVBoxLayout* page, Slot<QLabel> slot, const QString& text, bool wrap = false);

  // The question, its value in words centred across the page, the slider, and the scale
  // under its ends (and middle).
  void Slider(QVBoxLayout* page, const char* key, Slot<QLabel> question, Slot<QLabel> value,
              Slot<QSlider> slider, std::initializer_list<Slot<QLabel>> scale);
  // The question, its choices in one row under it.
  void ChoiceRow(QVBoxLayout* page, const char* key, Slot<QLabel> question,
                 std::initializer_list<Slot<QRadioButton>> choices);
  // A panel of its own holding the question and, in the same row, its choices. The
  // question (returned, for lining captions up) wraps onto two lines at most; it stands
  // as a caption or, where it wraps, takes the room the choices leave.
  QLabel* ChoicePanel(QVBoxLayout* page, const char* key, Slot<QWidget> panel,
                      Slot<QLabel> question, std::initializer_list<Slot<QRadioButton>> choices,
                      bool wraps);
  // The question with an edit box beside it.
  void Edit(QVBoxLayout* page, const char* key, Slot<QLabel> question, Slot<QLineEdit> edit);
  // The question and the occupation list under it, nothing chosen; returns the list.
  QListWidget* List(QVBoxLayout* page, const char* key, Slot<QLabel> question,
                    Slot<QListWidget> list);

 private:
  void Radios(QBoxLayout* row, QWidget* parent, const TQuestion& question,
              std::initializer_list<Slot<QRadioButton>> choices);

  QObject* owner_;
  QStackedWidget* pages_;
  TAnswerControls& controls_;
};

// Lets the labels grow no wider than the widest of their texts needs.
void SameWidth(std::initializer_list<QLabel*> labels);

}  // namespace solvara
