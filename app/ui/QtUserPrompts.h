#pragma once
// The desktop as the user sees it: Qt's message boxes and file dialogs, QDialog::exec and
// QDesktopServices.

#include "app/ui/UserPrompts.h"

namespace ombrelt::ui {

class TQtUserPrompts final : public TUserPrompts {
 public:
  void ShowMessage(QWidget* parent, TMessageIcon icon, const QString& caption, const QString& text) override;
  void ShowDetailedMessage(QWidget* parent, TMessageIcon icon, const QString& caption, const QString& text,
                           const QString& details) override;
  QStringList ChooseOpenFiles(QWidget* parent, const QString& filter) override;
  QString ChooseFolder(QWidget* parent, const QString& prompt, const QString& startFolder) override;
  QString ChooseSaveFile(QWidget* parent, const QString& filter, const QString& defaultName,
                         const QString& defaultSuffix) override;
  int RunModal(QDialog& dialog) override;
  bool Ask(QWidget* parent, const QString& caption, const QString& question) override;
  bool OpenWithShell(const QString& path) override;
};

}  // namespace ombrelt::ui
