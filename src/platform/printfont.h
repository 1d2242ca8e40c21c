#pragma once

#include <QFont>
#include <QString>

// The printout's font: the face asked for, or where it is missing a metric-compatible face
// with the Central European letters.
QFont printFont(const QString& face, qreal points, bool bold);

// The width of one character column of the font, in em: the weighted average of the
// lower-case letters and the blank over the face's own advance widths, the way the OS/2 font
// table of versions 0 to 2 defines it. Newer faces store an average over every glyph there,
// which is far wider, so the stored value is not used.
qreal averageCharWidthEm(const QFont& font);
