#include "app/ui/HelpWindow.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace ombrelt::ui {

THelpWindow::THelpWindow(const QString& helpPage, QWidget* parent)
    : QDialog(parent), browser_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Help"));
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  browser_->setAccessibleName(QStringLiteral("Help"));
  browser_->setOpenExternalLinks(true);
  browser_->setSource(QUrl::fromLocalFile(helpPage));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("&Close"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser_);
  layout->addWidget(buttons);
  // About a page of text at the desktop's font.
  const int line = fontMetrics().height();
  resize(44 * line, 36 * line);
}

QString THelpWindow::Source() const { return browser_->source().toLocalFile(); }

}  // namespace ombrelt::ui
