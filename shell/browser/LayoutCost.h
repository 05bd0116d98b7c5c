// What showing a document would cost Qt's rich-text engine, estimated before Qt spends it.
// Qt reads HTML and lays it out on the user-interface thread and cannot be interrupted, and
// many shapes of document make it far slower than their size suggests: tables nested in
// the laid-out document cost exponentially (each level lays its content out twice);
// nesting, long lists, style rules, pictures in one paragraph, floats, table grids,
// unbreakable runs and large character clusters quadratically. The browser refuses a
// document whose estimate passes the budget: the reading is estimated from the text
// before Qt reads it, the layout from the document Qt built before it is laid out.
#pragma once

#include <QStringView>
#include <QtGlobal>

class QTextDocument;

namespace solvara {

// In work units, each about a microsecond of Qt's time on a current desktop (a plain
// character's layout). The budget keeps the slowest document shown within about half a
// second and its memory within tens of megabytes (bench/README.md has the figures).
constexpr qint64 kLayoutBudget = 500000;

// The cost of Qt reading text as HTML (or as plain text) into a document. Counting stops
// as soon as the estimate passes budget. Linear in the length of the text.
qint64 EstimateReadingCost(QStringView text, bool html, qint64 budget = kLayoutBudget);

// The cost of laying out a document Qt has read, from its blocks, pictures, floats and
// tables. Counting stops as soon as the estimate passes budget. Linear in its size.
qint64 EstimateLayoutCost(const QTextDocument& document, qint64 budget = kLayoutBudget);

}  // namespace solvara
