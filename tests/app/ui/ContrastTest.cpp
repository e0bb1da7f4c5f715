// The window is readable on light and dark desktops: after a batch with a failed file, it is
// rendered under each palette and the contrast of its labels, links and row statuses is measured
// from the rendered pixels, as a reader's eyes meet them.
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include <map>

#include "app/ui/ColourContrast.h"
#include "app/ui/FileList.h"
#include "tests/app/ui/DarkPalette.h"
#include "tests/app/ui/WindowFixture.h"

namespace ombrelt::ui::testing {

namespace {

// The contrast of the text in area of image: its most frequent colour is the background, and the
// pixel that differs most from it is the text's own colour (the core of a glyph's stroke, which
// anti-aliasing leaves whole).
double TextContrast(const QImage& image, const QRect& area) {
  std::map<QRgb, int> counts;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) ++counts[image.pixel(x, y)];
  }
  QRgb background = 0;
  int most = 0;
  for (const auto& [colour, count] : counts) {
    if (count > most) std::tie(background, most) = std::tie(colour, count);
  }
  double best = 1.0;
  for (const auto& [colour, count] : counts) best = std::max(best, ContrastRatio(QColor(colour), QColor(background)));
  return best;
}

}  // namespace

class TContrastTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QApplication::setStyle(QStringLiteral("Fusion")); }
  void cleanup() { QApplication::setPalette(QApplication::style()->standardPalette()); }

  void readableOnLightAndDarkDesktops_data() {
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
  }
  void readableOnLightAndDarkDesktops() {
    QFETCH(bool, dark);
    QApplication::setPalette(dark ? DarkPalette() : QApplication::style()->standardPalette());
    TWindowFixture f;
    f.Window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.Window()));
    // The second file's copy cannot be written: a folder stands where it would go.
    fs::create_directories(f.files / "out" / "b_Secure.pdf");
    f.AddFiles({f.WriteFile("a.pdf", OnePagePdf()), f.WriteFile("b.pdf", OnePagePdf()), f.WriteFile("c.pdf", OnePagePdf())});
    f.Main<QCheckBox>("CheckBoxOpenpassword").setChecked(true);
    f.Main<QLineEdit>("EditUser").setText(QStringLiteral("open"));
    f.Main<QLineEdit>("EditSavePath").setText(f.Path("out"));
    f.Main<QPushButton>("BitBtnEncryptPdf").click();
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    auto& list = f.Main<TFileList>("ListView1");
    QCOMPARE(list.Status(1), QStringLiteral("Failed!"));
    list.SetStatus(2, QStringLiteral("Encrypting..."));  // as a row looks while its file is worked on
    list.clearSelection();
    list.setCurrentItem(nullptr);
    const QImage image = f.Window().grab().toImage();

    for (int row = 0; row < 3; ++row) {
      const QRect cell = list.visualItemRect(list.item(row, kColumnStatus)).adjusted(1, 1, -1, -1);
      const QRect area(list.viewport()->mapTo(&f.Window(), cell.topLeft()), cell.size());
      const double contrast = TextContrast(image, area);
      QVERIFY2(contrast >= kMinimumTextContrast, qPrintable(list.Status(row) + QString::number(contrast)));
    }
    // Labels, and the captions of boxes and buttons without their indicators.
    for (const char* name : {"Label4", "Label1", "LabelOpenpass", "Label2", "Label3", "RadioButton40Bit",
                             "CheckboxUserAuto", "RadioBtnSameFName", "LabelAbout", "Label10", "LabelProtected"}) {
      QWidget& control = f.Main<QWidget>(name);
      const int indicator = qobject_cast<QAbstractButton*>(&control) != nullptr ? 22 : 0;
      const QRect area(control.mapTo(&f.Window(), QPoint(indicator, 0)),
                       QSize(control.width() - indicator, control.height()));
      const double contrast = TextContrast(image, area);
      QVERIFY2(contrast >= kMinimumTextContrast, qPrintable(QString::fromLatin1(name) + QStringLiteral(": ") +
                                                               QString::number(contrast)));
    }
  }
};

}  // namespace ombrelt::ui::testing

QTEST_MAIN(ombrelt::ui::testing::TContrastTest)
#include "ContrastTest.moc"
