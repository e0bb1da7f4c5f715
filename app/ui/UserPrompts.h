#pragma once
// Everything the windows ask of the desktop: message boxes, the file and folder choosers, modal
// dialogs and the shell's "open". One small interface, so that tests drive the real windows with
// scripted answers instead of blocking on a modal box.

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace ombrelt::ui {

enum class TMessageIcon { kWarning, kError, kInformation };

class TUserPrompts {
 public:
  virtual ~TUserPrompts() = default;

  // A modal message box with one OK button.
  virtual void ShowMessage(QWidget* parent, TMessageIcon icon, const QString& caption, const QString& text) = 0;
  // The same with details (one item a line) the user can scroll through and copy.
  virtual void ShowDetailedMessage(QWidget* parent, TMessageIcon icon, const QString& caption, const QString& text,
                                   const QString& details) = 0;
  // Files to open, several at once, in the order the chooser gives them; empty when cancelled.
  // filter is in the chooser's form, e.g. "PDF File (*.pdf)".
  virtual QStringList ChooseOpenFiles(QWidget* parent, const QString& filter) = 0;
  // An existing folder, starting at startFolder; empty when cancelled.
  virtual QString ChooseFolder(QWidget* parent, const QString& prompt, const QString& startFolder) = 0;
  // A file to write or append to (an existing one is chosen without asking to replace it);
  // defaultSuffix is added to a name typed without one. Empty when cancelled.
  virtual QString ChooseSaveFile(QWidget* parent, const QString& filter, const QString& defaultName,
                                 const QString& defaultSuffix) = 0;
  // Shows one of the program's own dialogs modally; returns its QDialog::DialogCode.
  virtual int RunModal(QDialog& dialog) = 0;
  // A modal question with Yes and No buttons, No the default; true for Yes.
  virtual bool Ask(QWidget* parent, const QString& caption, const QString& question) = 0;
  // Asks the desktop to open a file or folder in its associated program; false when no program
  // took it (no desktop launcher, nothing associated), for the caller to say so or do it itself.
  virtual bool OpenWithShell(const QString& path) = 0;
};

}  // namespace ombrelt::ui
