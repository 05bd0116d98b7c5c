#include "questionnaire/form/PageBuilder.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace solvara {

namespace {

// A list with one choice that, once made, can be changed but not taken back: Qt's
// single selection lets Ctrl+click or Ctrl+Space clear it, which would silently drop
// the occupation (and the years-in-job question) from the answers.
class TChoiceList : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override {
    QItemSelectionModel::SelectionFlags flags = QListWidget::selectionCommand(index, event);
    if (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)) {
      return index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate;
    }
    return flags;
  }
};

// A question that wraps, onto two lines at most: its least width is the narrowest at which
// it takes no more than two, at whatever font is in force.
class TTwoLineLabel : public QLabel {
 public:
  TTwoLineLabel(const QString& text, QWidget* parent) : QLabel(text, parent) { setWordWrap(true); }

  QSize minimumSizeHint() const override {
    // Layouts ask often; the answer changes with the text and the font.
    if (text() != text_ || font() != font_ || !least_.isValid()) {
      text_ = text();
      font_ = font();
      least_ = TwoLines();
    }
    return least_;
  }

 private:
  mutable QString text_;
  mutable QFont font_;
  mutable QSize least_;

  QSize TwoLines() const {
    const QSize least = QLabel::minimumSizeHint();
    const QMargins margins = contentsMargins() + QMargins(margin(), margin(), margin(), margin());
    int high = std::max(least.width(), fontMetrics().horizontalAdvance(text()) + margins.left() +
                                           margins.right() + 1);
    const int oneLine = heightForWidth(high) - margins.top() - margins.bottom();
    const int twoLines = heightForWidth(high) + oneLine;
    int low = least.width() - 1;
    while (high - low > 1) {
      const int middle = low + (high - low) / 2;
      (heightForWidth(middle) <= twoLines ? high : low) = middle;
    }
    return {high, least.height()};
  }
};

QString Words(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

TAnswers ReadAnswers(const TAnswerControls& controls) {
  TAnswers answers;
  for (const auto& [question, control] : controls) {
    if (const auto* slider = qobject_cast<const QSlider*>(control)) {
      SetAnswerValue(*question, answers, slider->value());
    } else if (const auto* group = qobject_cast<const QButtonGroup*>(control)) {
      // A group with nothing chosen leaves the opening state, which is none.
      if (group->checkedId() != -1) {
        SetAnswerValue(*question, answers, group->checkedId());
      }
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
      AnswerText(*question, answers) = edit->text().toStdString();
    } else if (const auto* list = qobject_cast<const QListWidget*>(control)) {
      // The chosen entry is the selected one: the list's current row alone moves when
      // the keyboard merely enters the list.
      const QList<QListWidgetItem*> chosen = list->selectedItems();
      SetAnswerValue(*question, answers, chosen.isEmpty() ? -1 : list->row(chosen.first()));
    }
  }
  return answers;
}

QString SliderWords(const TAnswerControls& controls, const QSlider* slider) {
  for (const auto& [question, control] : controls) {
    if (control == slider) {
      return Words(ValueInWords(*question, slider->value()));
    }
  }
  return QString();
}

QLabel* MakeLabel(Slot<QLabel> slot, QWidget* parent, const QString& text, bool wrap) {
  QLabel* label = slot.Hold(new QLabel(text, parent));
  label->setWordWrap(wrap);
  return label;
}

QVBoxLayout* TPageBuilder::Page(Slot<QWidget> page, Slot<QLabel> title, const QString& titleText) {
  QWidget* widget = page.Hold(new QWidget(pages_));
  pages_->addWidget(widget);
  auto* layout = new QVBoxLayout(widget);
  layout->setContentsMargins(kPageMargin, 8, kPageMargin, 0);
  layout->setSpacing(4);
  QLabel* label = Text(layout, title, titleText);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return layout;
}

QLabel* TPageBuilder::Text(QVBoxLayout* page, Slot<QLabel> slot, const QString& text, bool wrap) {
  QLabel* label = MakeLabel(slot, page->parentWidget(), text, wrap);
  page->addWidget(label);
  return label;
}

void TPageBuilder::Slider(QVBoxLayout* page, const char* key, Slot<QLabel> question,
                          Slot<QLabel> value, Slot<QSlider> slot,
                          std::initializer_list<Slot<QLabel>> scale) {
  const TQuestion& q = QuestionFor(key);
  QWidget* parent = page->parentWidget();
  QLabel* questionLabel = Text(page, question, QString::fromUtf8(q.Text));
  QLabel* valueLabel = Text(page, value, Words(OpeningWords(q)));
  valueLabel->setAlignment(Qt::AlignHCenter);
  QSlider* slider = slot.Hold(new QSlider(Qt::Horizontal, parent));
  slider->setRange(q.Low, q.High);
  slider->setValue(OpeningValue(q));
  slider->setSingleStep(1);
  slider->setPageStep(2);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(1);
  slider->setFocusPolicy(Qt::StrongFocus);
  slider->setAccessibleName(questionLabel->text());
  // The value in words, for listeners; kept as the label is.
  slider->setAccessibleDescription(valueLabel->text());
  questionLabel->setBuddy(slider);
  page->addWidget(slider);
  auto* row = new QGridLayout;
  row->setContentsMargins(0, 0, 0, 0);
  const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
  for (int column = 0; column < 3; ++column) {
    row->setColumnStretch(column, 1);
  }
  // Two labels stand at the ends, three at the ends and the middle.
  const std::vector<std::string> texts = ScaleTexts(q);
  const int step = texts.size() == 3 ? 1 : 2;
  int column = 0;
  auto text = texts.begin();
  for (const Slot<QLabel>& end : scale) {
    QLabel* label = MakeLabel(end, parent, Words(*text++), true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setAlignment(alignments[column] | Qt::AlignTop);
    row->addWidget(label, 0, column);
    column += step;
  }
  page->addLayout(row);
  controls_.emplace_back(&q, slider);
}

void TPageBuilder::ChoiceRow(QVBoxLayout* page, const char* key, Slot<QLabel> question,
                             std::initializer_list<Slot<QRadioButton>> choices) {
  const TQuestion& q = QuestionFor(key);
  Text(page, question, QString::fromUtf8(q.Text));
  auto* row = new QHBoxLayout;
  Radios(row, page->parentWidget(), q, choices);
  row->addStretch(1);
  page->addLayout(row);
  page->addSpacing(8);
}

QLabel* TPageBuilder::ChoicePanel(QVBoxLayout* page, const char* key, Slot<QWidget> panel,
                                  Slot<QLabel> question,
                                  std::initializer_list<Slot<QRadioButton>> choices, bool wraps) {
  const TQuestion& q = QuestionFor(key);
  QWidget* widget = panel.Hold(new QWidget(page->parentWidget()));
  auto* row = new QHBoxLayout(widget);
  row->setContentsMargins(0, 0, 0, 0);
  QLabel* label = question.Hold(new TTwoLineLabel(QString::fromUtf8(q.Text), widget));
  row->addWidget(label, wraps ? 1 : 0);
  widget->setAccessibleName(label->text());
  Radios(row, widget, q, choices);
  // What is left once a wrapping question has all the room it can use goes after the
  // choices.
  row->addStretch(wraps ? 0 : 1);
  page->addWidget(widget);
  return label;
}

// Qt cuts a line edit's text at 32,767 characters by default; a pasted salary or
// telephone must reach the coding whole.
void TPageBuilder::Edit(QVBoxLayout* page, const char* key, Slot<QLabel> question,
                        Slot<QLineEdit> slot) {
  const TQuestion& q = QuestionFor(key);
  QWidget* parent = page->parentWidget();
  auto* row = new QHBoxLayout;
  QLabel* label = MakeLabel(question, parent, QString::fromUtf8(q.Text));
  QLineEdit* edit = slot.Hold(new QLineEdit(parent));
  edit->setMaxLength(std::numeric_limits<int>::max());
  edit->setAccessibleName(label->text());
  label->setBuddy(edit);
  row->addWidget(label);
  row->addWidget(edit, 1);
  row->addStretch(1);
  page->addLayout(row);
  controls_.emplace_back(&q, edit);
}

QListWidget* TPageBuilder::List(QVBoxLayout* page, const char* key, Slot<QLabel> question,
                                Slot<QListWidget> slot) {
  const TQuestion& q = QuestionFor(key);
  QLabel* label = Text(page, question, QString::fromUtf8(q.Text));
  QListWidget* list = slot.Hold(new TChoiceList(page->parentWidget()));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setAccessibleName(label->text());
  label->setBuddy(list);
  for (const std::string& occupation : OccupationTexts()) {
    list->addItem(Words(occupation));
  }
  // Nothing chosen and nothing marked as if it were.
  list->setCurrentIndex(QModelIndex());
  // About seven entries in view.
  list->setFixedHeight(list->sizeHintForRow(0) * 7 + 2 * list->frameWidth());
  page->addWidget(list);
  controls_.emplace_back(&q, list);
  return list;
}

// One group a question, so that choosing in one leaves the others alone; a button's id
// is its choice's value, so that the answer is the group's checked id.
void TPageBuilder::Radios(QBoxLayout* row, QWidget* parent, const TQuestion& question,
                          std::initializer_list<Slot<QRadioButton>> choices) {
  auto* group = new QButtonGroup(owner_);
  group->setExclusive(true);
  auto choice = question.Choices.begin();
  for (const Slot<QRadioButton>& slot : choices) {
    QRadioButton* button = slot.Hold(new QRadioButton(QString::fromUtf8(choice->Caption), parent));
    button->setAccessibleName(button->text());
    button->setAccessibleDescription(QString::fromUtf8(question.Text));
    button->setChecked(choice->Value == OpeningValue(question));
    group->addButton(button, choice->Value);
    row->addWidget(button);
    ++choice;
  }
  controls_.emplace_back(&question, group);
}

void SameWidth(std::initializer_list<QLabel*> labels) {
  int width = 0;
  for (QLabel* label : labels) {
    width = std::max(width, label->fontMetrics().horizontalAdvance(label->text()));
  }
  for (QLabel* label : labels) {
    label->setMaximumWidth(width + 2 * label->margin() + 8);
  }
}

}  // namespace solvara
