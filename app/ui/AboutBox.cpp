#include "app/ui/AboutBox.h"

#include <QLabel>
#include <QPushButton>
#include <QSvgWidget>
#include <QVBoxLayout>

#include "app/ui/NamedControl.h"

namespace ombrelt::ui {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* picture = new QSvgWidget(QStringLiteral(":/ombreltenc.svg"), this);
  picture->setObjectName(QStringLiteral("picture"));
  picture->setFixedSize(80, 80);

  auto* title = NamedControl<QLabel>(this, "titleLabel", QStringLiteral("OmbreltEnc — PDF Encryption"));
  title->setAlignment(Qt::AlignCenter);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);

  auto* version = NamedControl<QLabel>(this, "versionLabel", QStringLiteral("Version 1.5"));
  version->setAlignment(Qt::AlignCenter);

  auto* close = NamedControl<QPushButton>(this, "closeButton", QStringLiteral("&Close"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 16, 24, 16);
  layout->addWidget(picture, 0, Qt::AlignHCenter);
  layout->addWidget(title);
  layout->addWidget(version);
  layout->addSpacing(12);
  layout->addWidget(close, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetMinimumSize);
}

}  // namespace ombrelt::ui
