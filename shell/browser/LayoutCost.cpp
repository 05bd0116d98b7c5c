#include "shell/browser/LayoutCost.h"

#include <QChar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QVector>
#include <algorithm>
#include <cstring>

namespace solvara {

namespace {

// The weights: one unit is about a microsecond of Qt's time, each weight measured on Qt
// 6.4 as the cost of the shape it stands for, rounded up (the layout benchmark in bench/
// shows each shape at the budget). Quadratic terms are kept as running counts whose every
// step adds the count so far, shifted down.

// Reading: Qt's parser builds a node per tag and text run, looks at ancestors for each,
// matches every style rule against every element, and Qt's importer turns the nodes into
// blocks, lists, frames and tables.
constexpr int kCharsPerUnit = 16;
constexpr qint64 kNewline = 4;  // a line of preformatted text
constexpr qint64 kTag = 4;
constexpr int kDepthShift = 5;  // each tag looks at its ancestors
// Each element visits every style sheet (a unit each) and is matched against every selector
// part, walking its ancestors for the parts before the last.
constexpr qint64 kStyleBase = 8;
constexpr int kStyleShift = 4;
constexpr int kListItemShift = 4;  // each list item looks at the items before it
constexpr int kPictureShift = 1;   // per picture already in the same paragraph
constexpr int kFloatShift = 1;     // per floating object already in the document
constexpr qint64 kRow = 8;
constexpr qint64 kCell = 8;
constexpr qint64 kGridCell = 2;  // every cell of a table's grid, spanned or not

// Layout: shaping and line breaking of every paragraph and every run of one format,
// pictures and floats placed, table grids sized; everything inside n tables counts 2^n
// times, since each table lays its content out twice (once to measure it).
constexpr qint64 kAsciiChar = 1;
constexpr qint64 kOtherChar = 2;
constexpr qint64 kScriptChange = 16;  // every change between ASCII and other text starts a run
constexpr qint64 kTab = 16;           // tab stops are worked out one by one
constexpr qint64 kParagraph = 20;
constexpr qint64 kFormatRun = 16;
constexpr int kUnbreakableShift = 11;  // line breaking rescans a run without break points
constexpr int kClusterShift = 3;       // shaping rescans a cluster of combining marks
constexpr qint64 kLaidOutPicture = 2;  // per picture already in the same paragraph
constexpr qint64 kLaidOutFloat = 2;    // per float already in the same frame
constexpr qint64 kLaidOutGridCell = 16;
constexpr qint64 kLaidOutRow = 64;
// Beyond 30 levels a single character exceeds any budget anyway.
constexpr int kMaxTableLevel = 30;

enum TagFlag : unsigned {
  kVoid = 1,     // never has content
  kImplied = 2,  // ended by its next sibling, so it does not deepen the tree
  kBlock = 4,    // starts a new paragraph
  kTable = 8,
  kRowTag = 16,
  kCellTag = 32,
  kList = 64,
  kItem = 128,
  kPicture = 256,
  kStyle = 512,
};

struct TagInfo {
  const char* name;
  unsigned flags;
};

// The elements Qt's parser treats specially here: only four never take content, and those
// that Qt places beside their like (or in their table or list) never deepen the tree. Any
// other name, known to Qt or not, nests.
constexpr TagInfo kTags[] = {{"blockquote", kBlock},
                             {"body", kBlock},
                             {"br", kVoid},
                             {"caption", kImplied | kBlock},
                             {"center", kBlock},
                             {"dd", kImplied | kBlock},
                             {"div", kBlock},
                             {"dl", kBlock},
                             {"dt", kImplied | kBlock},
                             {"h1", kBlock},
                             {"h2", kBlock},
                             {"h3", kBlock},
                             {"h4", kBlock},
                             {"h5", kBlock},
                             {"h6", kBlock},
                             {"hr", kVoid | kBlock},
                             {"html", kBlock},
                             {"img", kVoid | kPicture},
                             {"li", kImplied | kBlock | kItem},
                             {"meta", kVoid},
                             {"ol", kBlock | kList},
                             {"p", kImplied | kBlock},
                             {"pre", kBlock},
                             {"style", kStyle},
                             {"table", kBlock | kTable},
                             {"tbody", kImplied},
                             {"td", kImplied | kBlock | kCellTag},
                             {"tfoot", kImplied},
                             {"th", kImplied | kBlock | kCellTag},
                             {"thead", kImplied},
                             {"tr", kImplied | kBlock | kRowTag},
                             {"ul", kBlock | kList}};

unsigned FlagsOf(const char* name) {
  for (const TagInfo& tag : kTags) {
    if (std::strcmp(tag.name, name) == 0) {
      return tag.flags;
    }
  }
  return 0;
}

bool IsHtmlSpace(QChar c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Ideographs, kana and hangul may be broken between any two characters.
bool BreaksAnywhere(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Extends the character cluster before it: combining marks, joiners, variation selectors.
bool ExtendsCluster(char32_t c) {
  return c >= 0x300 && (QChar::isMark(c) || QChar::category(c) == QChar::Other_Format);
}

// Follows Qt's HTML parser over the text, counting what reading it costs.
class ReadingEstimator {
 public:
  ReadingEstimator(QStringView text, qint64 budget) : s_(text), budget_(budget) {}

  qint64 Html() {
    // As in Qt's parser, every "<" opens a tag, whatever follows it.
    while (pos_ < s_.size() && cost_ <= budget_) {
      if (s_[pos_] == u'<') {
        Tag();
      } else {
        if (style_.open) {
          StyleChar(s_[pos_]);
        }
        Char(s_[pos_++]);
      }
    }
    while (!tables_.isEmpty() && cost_ <= budget_) {
      CloseTable();
    }
    return cost_;
  }

  qint64 Plain() {
    while (pos_ < s_.size() && cost_ <= budget_) {
      Char(s_[pos_++]);
    }
    return cost_;
  }

 private:
  struct Table {
    qint64 rows = 0, columnsInRow = 0, columns = 0, spanned = 0;
  };

  // Saturates well before overflow: the caller stops once the budget is passed.
  void Add(qint64 units) { cost_ += std::min(units, budget_ + 1); }

  void Char(QChar c) {
    cost_ += (++chars_ % kCharsPerUnit == 0 ? 1 : 0) + (c == u'\n' ? kNewline : 0);
  }

  // A comment, or a declaration up to its ">".
  void SkipDeclaration(qsizetype start) {
    const bool comment = s_.mid(pos_, 3) == u"!--";
    const qsizetype end = comment ? s_.indexOf(u"-->", pos_ + 3) : s_.indexOf(u'>', pos_);
    pos_ = end < 0 ? s_.size() : end + (comment ? 3 : 1);
    Add((pos_ - start) / kCharsPerUnit);
  }

  // Qt's parser skips any white space here, not only the HTML kind.
  void SkipSpace() {
    while (pos_ < s_.size() && s_[pos_].isSpace() && s_[pos_] != QChar::ParagraphSeparator) {
      ++pos_;
    }
  }

  // The next word as Qt's parser reads it in a tag: quoted, or up to a delimiter.
  QStringView Word() {
    const qsizetype start = pos_;
    if (pos_ < s_.size() && (s_[pos_] == u'"' || s_[pos_] == u'\'')) {
      const QChar quote = s_[pos_++];
      while (pos_ < s_.size()) {
        const QChar c = s_[pos_++];
        // Qt lets a backslash escape a single quote.
        if (c == quote && (quote == u'"' || s_[pos_ - 2] != u'\\')) {
          return s_.mid(start + 1, pos_ - start - 2);
        }
      }
      return s_.mid(start + 1);
    }
    while (pos_ < s_.size()) {
      const QChar c = s_[pos_];
      if (c == u'>' || c == u'<' || c == u'=' || c.isSpace() ||
          (c == u'/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == u'>')) {
        break;
      }
      ++pos_;
    }
    return s_.mid(start, pos_ - start);
  }

  // A number as an attribute gives it, read generously: Qt may read less.
  static qint64 Count(QStringView value) {
    qint64 n = 0;
    for (QChar c : value.trimmed()) {
      if (c >= u'0' && c <= u'9') {
        n = std::min<qint64>(n * 10 + (c.unicode() - u'0'), 100000000);
      } else if (c != u'+') {
        break;
      }
    }
    return std::max<qint64>(n, 1);
  }

  // Follows Qt's parser: a tag is "<", white space, an optional "/", a name, attributes
  // only after white space, then anything up to the next ">".
  void Tag() {
    const qsizetype start = pos_++;
    SkipSpace();
    if (pos_ < s_.size() && s_[pos_] == u'!') {
      SkipDeclaration(start);
      return;
    }
    const bool closing = pos_ < s_.size() && s_[pos_] == u'/';
    pos_ += closing ? 1 : 0;
    char name[12] = {};
    const QStringView word = Word();
    bool known = word.size() < qsizetype(sizeof name);
    for (qsizetype i = 0; known && i < word.size(); ++i) {
      known = word[i].unicode() < 0x80;
      name[i] = char(word[i].toLower().unicode());
    }
    const unsigned flags = known ? FlagsOf(name) : 0;
    qint64 colspan = 1, rowspan = 1;
    bool floating = false, selfClosed = false;
    if (!closing && pos_ < s_.size() && s_[pos_].isSpace()) {
      for (;;) {
        SkipSpace();
        if (pos_ >= s_.size() || s_[pos_] == u'>' || s_[pos_] == u'/') {
          break;
        }
        const QStringView key = Word();
        if (key.isEmpty()) {
          break;
        }
        SkipSpace();
        QStringView value;
        if (pos_ < s_.size() && s_[pos_] == u'=') {
          ++pos_;
          SkipSpace();
          value = Word();
        }
        if (key.compare(u"colspan", Qt::CaseInsensitive) == 0) {
          colspan = Count(value);
        } else if (key.compare(u"rowspan", Qt::CaseInsensitive) == 0) {
          rowspan = Count(value);
        } else if (key.compare(u"align", Qt::CaseInsensitive) == 0 ||
                   (key.compare(u"style", Qt::CaseInsensitive) == 0 &&
                    value.contains(u"float", Qt::CaseInsensitive))) {
          floating = true;
        }
      }
    }
    for (; pos_ < s_.size() && s_[pos_] != u'>'; ++pos_) {
      selfClosed = selfClosed || s_[pos_] == u'/';
    }
    pos_ = std::min(pos_ + 1, s_.size());
    Add((pos_ - start) / kCharsPerUnit);

    if (flags & kBlock) {
      picturesInParagraph_ = 0;
    }
    // Every tag makes a node of Qt's tree, and a closing one looks for its element among
    // the ancestors.
    Add(kTag + (depth_ >> kDepthShift));
    if (closing && style_.open) {
      ++sheets_;
      selectors_ += style_.parts;
      Add(style_.length / kCharsPerUnit);
      style_.open = !(flags & kStyle);
    }
    if (closing) {
      if ((flags & kTable) && !tables_.isEmpty()) {
        CloseTable();
      } else if ((flags & kList) && !lists_.isEmpty()) {
        lists_.removeLast();
      }
      if (!(flags & (kVoid | kImplied)) && depth_ > 0) {
        --depth_;
      }
      return;
    }

    style_.open = false;
    Add(sheets_ + ((selectors_ * (kStyleBase + depth_)) >> kStyleShift));
    if (!(flags & (kVoid | kImplied)) && !selfClosed) {
      ++depth_;
    }
    // Qt makes a table around rows and cells that have none.
    if ((flags & kTable) || ((flags & (kRowTag | kCellTag)) && tables_.isEmpty())) {
      if (floating) {
        Float();
      }
      tables_.append(Table());
    }
    if (flags & kRowTag) {
      Add(kRow);
      ++tables_.last().rows;
      tables_.last().columnsInRow = 0;
    } else if (flags & kCellTag) {
      Add(kCell);
      Table& table = tables_.last();
      table.rows = std::max<qint64>(table.rows, 1);
      table.columnsInRow += colspan;
      table.columns = std::max(table.columns, table.columnsInRow);
      table.spanned += rowspan > 1 ? colspan : 0;
    } else if (flags & kList) {
      lists_.append(0);
    } else if (flags & kItem) {
      if (lists_.isEmpty()) {
        lists_.append(0);
      }
      Add(++lists_.last() >> kListItemShift);
    } else if (flags & kPicture) {
      Add(picturesInParagraph_++ >> kPictureShift);
      if (floating) {
        Float();
      }
    } else if (flags & kStyle) {
      style_ = StyleText();
      style_.open = true;
    }
  }

  void Float() { Add(floats_++ >> kFloatShift); }

  void CloseTable() {
    const Table table = tables_.takeLast();
    // Saturates rather than overflows: either factor alone may be huge.
    const qint64 columns = std::min<qint64>(table.columns + table.spanned, budget_ + 1);
    const qint64 rows = std::min<qint64>(table.rows, budget_ + 1);
    Add(std::min<qint64>(rows * columns, budget_ + 1) * kGridCell);
  }

  // The text of a style element, which Qt's parser keeps adding to for as long as no new
  // node follows it: it counts the selectors' parts (declarations skipped, the rules inside
  // @media not). Qt parses that text as a style sheet at every closing tag while the style
  // element is the last node, and adds one more sheet each time (a closing tag with no
  // element to close makes no node); every sheet is matched against every later element.
  struct StyleText {
    bool open = false;
    qint64 parts = 0, length = 0;
    QVector<bool> inDeclarations{false};
    bool atRule = false, inWord = false, preludeStart = true;
  };

  void StyleChar(QChar c) {
    StyleText& style = style_;
    ++style.length;
    if (c == u'{' || c == u'}' || c == u';') {
      if (c == u'{') {
        style.inDeclarations.append(!style.atRule);
      } else if (c == u'}' && style.inDeclarations.size() > 1) {
        style.inDeclarations.removeLast();
      }
      style.atRule = style.inWord = false;
      style.preludeStart = true;
    } else if (!style.inDeclarations.last()) {
      const bool separator = IsHtmlSpace(c) || c == u',' || c == u'>' || c == u'+' || c == u'~';
      if (!separator && !style.inWord) {
        ++style.parts;
        style.atRule = style.preludeStart ? c == u'@' : style.atRule;
        style.preludeStart = false;
      }
      style.inWord = !separator;
    }
  }

  QStringView s_;
  qint64 budget_;
  qsizetype pos_ = 0;
  qint64 cost_ = 0;
  qint64 chars_ = 0;
  qint64 depth_ = 0;
  qint64 picturesInParagraph_ = 0, floats_ = 0;
  qint64 sheets_ = 0, selectors_ = 0;  // the style sheets parsed so far, and their parts
  StyleText style_;
  QVector<Table> tables_;
  QVector<qint64> lists_;
};

// Walks the document Qt built, frame by frame, counting what laying it out costs.
class LayoutEstimator {
 public:
  explicit LayoutEstimator(qint64 budget) : budget_(budget) {}

  qint64 Frame(const QTextFrame* frame, int level) {
    const qint64 weight = qint64(1) << std::min(level, kMaxTableLevel);
    qint64 floats = 0;
    for (auto it = frame->begin(); !it.atEnd() && cost_ <= budget_; ++it) {
      if (const QTextFrame* child = it.currentFrame()) {
        if (child->frameFormat().position() != QTextFrameFormat::InFlow) {
          Add(kLaidOutFloat * floats++, weight);
        }
        if (const auto* table = qobject_cast<const QTextTable*>(child)) {
          Add(std::min<qint64>(qint64(table->rows()) * table->columns(), budget_ + 1) *
                      kLaidOutGridCell +
                  table->rows() * kLaidOutRow,
              weight);
          Frame(child, level + 1);
        } else {
          Frame(child, level);
        }
      } else {
        Block(it.currentBlock(), weight);
      }
    }
    return cost_;
  }

 private:
  // Saturates well before overflow: the walk stops once the budget is passed.
  void Add(qint64 units, qint64 weight) { cost_ += std::min(units, budget_ + 1) * weight; }

  void Block(const QTextBlock& block, qint64 weight) {
    Add(kParagraph, weight);
    for (auto run = block.begin(); !run.atEnd() && cost_ <= budget_; ++run) {
      Add(kFormatRun, weight);
    }
    const QString text = block.text();
    qint64 run = 0, cluster = 0, pictures = 0;
    bool previousAscii = true;
    for (qsizetype i = 0; i < text.size() && cost_ <= budget_; ++i) {
      char32_t c = text[i].unicode();
      if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
        ++i;
      }
      const bool ascii = c < 0x80;
      if (ascii != previousAscii) {
        Add(kScriptChange, weight);
        previousAscii = ascii;
      }
      Add(c == u'\t' ? kTab : ascii ? kAsciiChar : kOtherChar, weight);
      if (c == QChar::ObjectReplacementCharacter) {
        Add(kLaidOutPicture * pictures++, weight);
      }
      if ((ascii && IsHtmlSpace(QChar(char16_t(c)))) || c == QChar::LineSeparator ||
          BreaksAnywhere(c)) {
        run = 0;
      } else {
        Add(++run >> kUnbreakableShift, weight);
      }
      if (ExtendsCluster(c)) {
        Add(++cluster >> kClusterShift, weight);
      } else {
        cluster = 0;
      }
    }
  }

  qint64 budget_;
  qint64 cost_ = 0;
};

}  // namespace

qint64 EstimateReadingCost(QStringView text, bool html, qint64 budget) {
  ReadingEstimator estimator(text, budget);
  return html ? estimator.Html() : estimator.Plain();
}

qint64 EstimateLayoutCost(const QTextDocument& document, qint64 budget) {
  return LayoutEstimator(budget).Frame(document.rootFrame(), 0);
}

}  // namespace solvara
