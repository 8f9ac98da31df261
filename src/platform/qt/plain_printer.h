#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>
#include <functional>

#include "platform/pure/rich_text.h"

class QPainter;
class QPrinter;

namespace scrivane {

// The font text is printed in: the display font's name, size, bold and italic.
QFont printFont(const FontSpec& spec);

// Draws `text` with `painter` on pages of `page` (device pixels, origin at the top left of
// the printable area): its lines one below the other in `font`, a line wider than the page
// wrapped at a word boundary where there is one, and a form feed starting a new page.
// Nothing else is drawn: no header, footer or page number. `newPage` is called between two
// pages and may stop the output by returning false. Returns the number of pages begun.
int paintPlainText(QPainter& painter, const QSizeF& page, const QString& text, const QFont& font,
                   const std::function<bool()>& newPage);

// Prints `text` on `printer` as one job. False when the printer could not take it.
bool printPlainText(QPrinter& printer, const QString& text, const QFont& font);

}  // namespace scrivane
