#pragma once
// The desktop for window tests: records every message and question, answers from a script, and
// never blocks, so tests drive the real windows without modal loops.

#include <QDialog>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

#include "app/ui/UserPrompts.h"

namespace ombrelt::ui::testing {

struct TShownMessage {
  TMessageIcon icon;
  QString caption;
  QString text;
  QString details = {};
};

struct TShownDialog {
  QString name;  // the dialog's object name
  QPoint position;
};

class TScriptedPrompts final : public TUserPrompts {
 public:
  void ShowMessage(QWidget*, TMessageIcon icon, const QString& caption, const QString& text) override {
    messages.push_back({icon, caption, text});
  }
  void ShowDetailedMessage(QWidget*, TMessageIcon icon, const QString& caption, const QString& text,
                           const QString& details) override {
    messages.push_back({icon, caption, text, details});
  }
  QStringList ChooseOpenFiles(QWidget*, const QString& filter) override {
    openFilters << filter;
    if (openFilesAnswers.empty()) return {};
    QStringList answer = openFilesAnswers.front();
    openFilesAnswers.pop_front();
    return answer;
  }
  QString ChooseFolder(QWidget*, const QString& prompt, const QString& startFolder) override {
    folderPrompts << prompt;
    folderStarts << startFolder;
    return folderAnswer;
  }
  QString ChooseSaveFile(QWidget*, const QString& filter, const QString& defaultName,
                         const QString& defaultSuffix) override {
    saveQuestions << filter + QLatin1Char('|') + defaultName + QLatin1Char('|') + defaultSuffix;
    return saveAnswer;
  }
  int RunModal(QDialog& dialog) override {
    dialogs.push_back({dialog.objectName(), dialog.pos()});
    return onModal ? onModal(dialog) : QDialog::Rejected;
  }
  bool Ask(QWidget*, const QString& caption, const QString& question) override {
    questions << caption + QLatin1Char('|') + question;
    return answer;
  }
  bool OpenWithShell(const QString& path) override {
    opened << path;
    return shellOpens;
  }

  // Texts of the messages shown with caption, in order.
  QStringList Texts(const QString& caption) const {
    QStringList texts;
    for (const TShownMessage& message : messages) {
      if (message.caption == caption) texts << message.text;
    }
    return texts;
  }

  std::vector<TShownMessage> messages;
  std::deque<QStringList> openFilesAnswers;
  QStringList openFilters;
  QString folderAnswer;
  QStringList folderPrompts;
  QStringList folderStarts;
  QString saveAnswer;
  QStringList saveQuestions;  // "filter|default name|default suffix"
  std::vector<TShownDialog> dialogs;
  std::function<int(QDialog&)> onModal;
  QStringList opened;
  bool shellOpens = true;  // whether the desktop has a program for what is opened
  QStringList questions;   // "caption|question"
  bool answer = true;      // to every question
};

}  // namespace ombrelt::ui::testing
