// The window is readable on light and dark desktops. After a batch with a failed file, the
// contrast of every text is computed from the colours the widgets' palettes give it, and the
// window is rendered under each palette to measure its labels, links and row statuses from the
// pixels, as a reader's eyes meet them.
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
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

  void palettesGiveEveryTextItsContrast_data() { readableOnLightAndDarkDesktops_data(); }
  void palettesGiveEveryTextItsContrast() {
    QFETCH(bool, dark);
    QApplication::setPalette(dark ? DarkPalette() : QApplication::style()->standardPalette());
    TWindowFixture f;
    f.Window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.Window()));
    auto& list = f.Main<TFileList>("fileList");
    f.AddFiles({f.WriteFile("a.pdf", OnePagePdf()), f.WriteFile("b.pdf", OnePagePdf()),
                f.WriteFile("c.pdf", OnePagePdf()), f.WriteFile("d.pdf", OnePagePdf()),
                f.WriteFile("e.pdf", OnePagePdf())});
    f.Main<QCheckBox>("openPasswordCheck").setChecked(true);  // its field enabled, the other not
    const QStringList statuses = {"Succeed!", "Failed!", "Encrypting...", "", "Not started"};
    for (int row = 0; row < statuses.size(); ++row) list.SetStatus(row, statuses[row]);

    const auto check = [](const QColor& text, const QColor& background, const QString& what) {
      const double contrast = ContrastRatio(text, background);
      QVERIFY2(contrast >= kMinimumTextContrast, qPrintable(what + QStringLiteral(": ") + QString::number(contrast)));
    };
    // Every text of the window and its dialogs, in the colour group it is drawn with.
    QList<QWidget*> forms = {&f.Window(), &f.Dialog(), &f.forms->AboutBox(),
                             f.Window().findChild<QWidget*>(QStringLiteral("ProtectedFilesDialog"))};
    for (QWidget* form : forms) {
      for (QWidget* control : form->findChildren<QWidget*>()) {
        const bool text = qobject_cast<QLabel*>(control) || qobject_cast<QAbstractButton*>(control);
        if (!text || control->objectName().isEmpty()) continue;
        // A label of a control that can be used is never greyed as if it could not.
        if (auto* label = qobject_cast<QLabel*>(control); label && label->buddy() && label->buddy()->isEnabled()) {
          QVERIFY2(label->isEnabled(), qPrintable(label->objectName()));
        }
        if (!control->isEnabled()) continue;
        const QPalette& palette = control->palette();
        const bool button = qobject_cast<QPushButton*>(control) != nullptr;
        check(palette.color(QPalette::Active, button ? QPalette::ButtonText : QPalette::WindowText),
              palette.color(QPalette::Active, button ? QPalette::Button : QPalette::Window), control->objectName());
      }
    }
    QVERIFY(f.Main<QLabel>("dropHintLabel").isEnabled());
    // The rows in their status colours (or the list's text colour), and the chosen rows.
    const QPalette& rows = list.palette();
    for (int row = 0; row < list.rowCount(); ++row) {
      const QVariant colour = list.item(row, kColumnFile)->data(Qt::ForegroundRole);
      check(colour.isValid() ? colour.value<QBrush>().color() : rows.color(QPalette::Text), rows.color(QPalette::Base),
            statuses[row]);
    }
    QVERIFY(!list.item(3, kColumnFile)->data(Qt::ForegroundRole).isValid());  // waiting: the text colour
    QVERIFY(!list.item(4, kColumnFile)->data(Qt::ForegroundRole).isValid());
    QVERIFY(list.item(1, kColumnFile)->data(Qt::ForegroundRole) != list.item(3, kColumnFile)->data(Qt::ForegroundRole));
    const QPalette& bar = f.Main<QProgressBar>("progressBar").palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
      check(rows.color(group, QPalette::HighlightedText), rows.color(group, QPalette::Highlight), "selected row");
      check(bar.color(group, QPalette::HighlightedText), bar.color(group, QPalette::Highlight), "progress text");
    }
  }

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
    f.AddFiles(
        {f.WriteFile("a.pdf", OnePagePdf()), f.WriteFile("b.pdf", OnePagePdf()), f.WriteFile("c.pdf", OnePagePdf())});
    f.Main<QCheckBox>("openPasswordCheck").setChecked(true);
    f.Main<QLineEdit>("openPasswordEdit").setText(QStringLiteral("open"));
    f.Main<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    f.Main<QPushButton>("encryptButton").click();
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    auto& list = f.Main<TFileList>("fileList");
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
    for (const char* name : {"levelLabel", "passwordsLabel", "openPasswordCheck", "outputNameLabel", "outputPathLabel",
                             "level40BitRc4Radio", "openPasswordAutoCheck", "keepNameRadio", "aboutLink", "helpLink",
                             "protectedFilesLink", "dropHintLabel"}) {
      QWidget& control = f.Main<QWidget>(name);
      const int indicator = qobject_cast<QAbstractButton*>(&control) != nullptr ? 22 : 0;
      const QRect area(control.mapTo(&f.Window(), QPoint(indicator, 0)),
                       QSize(control.width() - indicator, control.height()));
      const double contrast = TextContrast(image, area);
      QVERIFY2(contrast >= kMinimumTextContrast,
               qPrintable(QString::fromLatin1(name) + QStringLiteral(": ") + QString::number(contrast)));
    }
  }
};

}  // namespace ombrelt::ui::testing

QTEST_MAIN(ombrelt::ui::testing::TContrastTest)
#include "ContrastTest.moc"
