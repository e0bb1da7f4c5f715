#pragma once
// The help page in a window of the program's own, for desktops where no program opens it (no
// desktop launcher, no browser associated): a text browser over the installed help page, its
// links followed within it.

#include <QDialog>

class QTextBrowser;

namespace ombrelt::ui {

class THelpWindow : public QDialog {
  Q_OBJECT

 public:
  THelpWindow(const QString& helpPage, QWidget* parent);

  QString Source() const;

 private:
  QTextBrowser* browser_;
};

}  // namespace ombrelt::ui
