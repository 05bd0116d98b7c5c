// Colours the program sets itself, kept legible under whatever palette is in force.
#pragma once

#include <QColor>
#include <initializer_list>

namespace solvara {

// The contrast of two colours as WCAG 2 defines it: from 1 (the same) to 21.
double ContrastRatio(const QColor& a, const QColor& b);

// The wanted text colour when it stands out from every background by a margin above
// 4.5:1, and otherwise the least change of it, towards black or white, that does.
QColor LegibleOn(std::initializer_list<QColor> backgrounds, const QColor& wanted);

// Whether a palette's window colour is a light one.
bool IsLight(const QColor& window);

}  // namespace solvara
