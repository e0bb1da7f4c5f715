#include "app/ui/QtUserPrompts.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace ombrelt::ui {

namespace {

QMessageBox::Icon BoxIcon(TMessageIcon icon) {
  switch (icon) {
    case TMessageIcon::kWarning: return QMessageBox::Warning;
    case TMessageIcon::kError: return QMessageBox::Critical;
    case TMessageIcon::kInformation: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void TQtUserPrompts::ShowMessage(QWidget* parent, TMessageIcon icon, const QString& caption, const QString& text) {
  QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, parent);
  box.exec();
}

void TQtUserPrompts::ShowDetailedMessage(QWidget* parent, TMessageIcon icon, const QString& caption,
                                         const QString& text, const QString& details) {
  QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, parent);
  box.setDetailedText(details);  // a scrolling text area the user can open, select and copy
  box.exec();
}

QStringList TQtUserPrompts::ChooseOpenFiles(QWidget* parent, const QString& filter) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilter(filter);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

QString TQtUserPrompts::ChooseFolder(QWidget* parent, const QString& prompt, const QString& startFolder) {
  return QFileDialog::getExistingDirectory(parent, prompt, startFolder, QFileDialog::ShowDirsOnly);
}

QString TQtUserPrompts::ChooseSaveFile(QWidget* parent, const QString& filter, const QString& defaultName,
                                       const QString& defaultSuffix) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(filter);
  dialog.setDefaultSuffix(defaultSuffix);
  dialog.selectFile(defaultName);
  // The one file chosen this way is the password file, which batches append to: choosing an
  // existing one replaces nothing, so asking whether to replace it would mislead.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                   : QString();
}

int TQtUserPrompts::RunModal(QDialog& dialog) { return dialog.exec(); }

bool TQtUserPrompts::Ask(QWidget* parent, const QString& caption, const QString& question) {
  return QMessageBox::question(parent, caption, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

bool TQtUserPrompts::OpenWithShell(const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

}  // namespace ombrelt::ui
