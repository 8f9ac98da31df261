#pragma once

#include "app/layout.h"

#include <QSize>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QString;
class QWidget;

namespace scrivane {

// The search bar's widgets as the window holds them.
struct SearchBarWidgets {
    QLineEdit* txtFind = nullptr;
    QPushButton* cmdFind = nullptr;
    QCheckBox* chkExact = nullptr;
    QLineEdit* txtReplace = nullptr;
    QPushButton* cmdReplace = nullptr;
    QPushButton* cmdReplaceAll = nullptr;
    QLineEdit* txtGoto = nullptr;
    QPushButton* cmdGoto = nullptr;
    QLabel* lblmod = nullptr;
};

// The least size each widget needs, in its own font and style, to show its caption whole; the
// go-to box a line number of nine digits; the label the time the file was last modified,
// broken over two lines if need be.
SearchBarControls<PixelSize> measureSearchBar(const SearchBarWidgets& bar);

// Measures the widgets and puts each in its place; returns the places.
SearchBarPlaces placeSearchBar(const SearchBarWidgets& bar, int dpi);

// Gives the status label its text: on one line where `room` (pixels to its right) allows,
// otherwise broken at blanks to `leastWidth` (or its longest word, if wider).
void setStatusText(QLabel* label, const QString& text, int room, int leastWidth);

// The size a window opens at: `designed`, made no larger than the available area of its
// screen leaves for it (less an allowance for the frame, which is not known before the window
// is shown), and no smaller than `least`.
QSize openingClientSize(const QWidget& window, QSize designed, QSize least);

// The width of the strip beside the surface's scrollbar that shows where the changes are:
// half as wide as a scrollbar in the window's style.
int changeStripWidth(const QWidget& window);

}  // namespace scrivane
