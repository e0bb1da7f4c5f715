#pragma once
// Text must stay readable on light and dark desktops alike: the windows pick their own colours
// (statuses, links, the background they paint) by the contrast ratio of the Web Content
// Accessibility Guidelines, against the colours the desktop's palette gives.

#include <QColor>
#include <QPalette>

#include <initializer_list>

namespace ombrelt::ui {

// (L1 + 0.05) / (L2 + 0.05) of the two colours' relative luminances, lighter over darker: 1 to 21.
double ContrastRatio(const QColor& first, const QColor& second);

// Whether text on the colour would have to be light: a dark desktop's window or list background.
bool IsDark(const QColor& background);

// Of the candidates, the one with the highest contrast against background.
QColor MostReadableOn(const QColor& background, std::initializer_list<QColor> candidates);

// colour, made darker (on a light other) or lighter (on a dark one) in small steps until it has at
// least ratio against other; unchanged when it has already.
QColor WithContrast(const QColor& colour, const QColor& other, double ratio);

// Gives the palette's selection (rows of a list, the filled part of a progress bar) a highlight
// its highlighted text reads on, in every colour group.
void MakeSelectionReadable(QPalette& palette);

// What normal-sized text needs to be readable.
inline constexpr double kMinimumTextContrast = 4.5;

}  // namespace ombrelt::ui
