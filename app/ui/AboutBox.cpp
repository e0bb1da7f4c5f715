#include "app/ui/AboutBox.h"

#include <QLabel>
#include <QPushButton>
#include <QSvgWidget>

namespace ombrelt::ui {

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form6"));
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(320, 250);

  auto* picture = new QSvgWidget(QStringLiteral(":/ombreltenc.svg"), this);
  picture->setObjectName(QStringLiteral("Image1"));
  picture->setGeometry(120, 16, 80, 80);

  auto* title = new QLabel(QStringLiteral("OmbreltEnc — PDF Encryption"), this);
  title->setObjectName(QStringLiteral("LabelTitle"));
  title->setGeometry(10, 106, 300, 24);
  title->setAlignment(Qt::AlignCenter);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);

  auto* version = new QLabel(QStringLiteral("Version 1.5"), this);
  version->setObjectName(QStringLiteral("LabelVersion"));
  version->setGeometry(10, 134, 300, 22);
  version->setAlignment(Qt::AlignCenter);

  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("BitBtnClose"));
  close->setGeometry(115, 196, 90, 32);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace ombrelt::ui
