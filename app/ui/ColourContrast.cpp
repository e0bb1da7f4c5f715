#include "app/ui/ColourContrast.h"

#include <algorithm>
#include <cmath>

namespace ombrelt::ui {

namespace {

double Linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

}  // namespace

double ContrastRatio(const QColor& first, const QColor& second) {
  const double a = RelativeLuminance(first);
  const double b = RelativeLuminance(second);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// Dark when black text would read worse on it than white text.
bool IsDark(const QColor& background) {
  return ContrastRatio(background, Qt::white) > ContrastRatio(background, Qt::black);
}

QColor MostReadableOn(const QColor& background, std::initializer_list<QColor> candidates) {
  return *std::max_element(candidates.begin(), candidates.end(), [&](const QColor& a, const QColor& b) {
    return ContrastRatio(a, background) < ContrastRatio(b, background);
  });
}

QColor WithContrast(const QColor& colour, const QColor& other, double ratio) {
  QColor adjusted = colour.toHsl();
  const bool darken = !IsDark(other);
  for (int step = 0; step < 100 && ContrastRatio(adjusted, other) < ratio; ++step) {
    const int lightness = adjusted.lightness() + (darken ? -4 : 4);
    adjusted.setHsl(adjusted.hslHue(), adjusted.hslSaturation(), std::clamp(lightness, 0, 255), adjusted.alpha());
  }
  return adjusted.toRgb();
}

void MakeSelectionReadable(QPalette& palette) {
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    const QColor text = palette.color(group, QPalette::HighlightedText);
    // The highlight is the one that moves: the text stays the desktop's choice.
    palette.setColor(group, QPalette::Highlight,
                     WithContrast(palette.color(group, QPalette::Highlight), text, kMinimumTextContrast + 0.1));
  }
}

}  // namespace ombrelt::ui
