#pragma once
// One start of the program for a window test: the three forms over the scripted desktop, a
// settings store of their own (QSettings redirected into a temporary folder) and a folder for the
// test's files. A second fixture over the same settings is a restart.

#include <QAbstractButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <memory>
#include <string>

#include "app/core/BackgroundWorker.h"
#include "app/ui/AboutBox.h"
#include "app/ui/ApplicationForms.h"
#include "app/ui/FileList.h"
#include "app/ui/PasswordSettingsDialog.h"
#include "pdf/facade/VelloPDF.h"
#include "tests/app/ui/ScriptedPrompts.h"
#include "tests/pdf/io/TestPdf.h"
#include "tests/support/TestTools.h"

namespace ombrelt::ui::testing {

namespace fs = std::filesystem;

inline std::string OnePagePdf() { return pdf::testing::OnePageDocument().Finish("/Root 1 0 R"); }

inline std::string ZeroPagePdf() {
  pdf::testing::TestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>").Object(2, "<< /Type /Pages /Kids [ ] /Count 0 >>");
  return pdf.Finish("/Root 1 0 R");
}

// A one-page document followed by many small objects holding strings: slow enough to encrypt that
// a batch of them takes a while.
inline std::string ManyObjectPdf(int extraObjects) {
  pdf::testing::TestPdf pdf = pdf::testing::OnePageDocument();
  for (int number = 5; number < 5 + extraObjects; ++number) {
    pdf.Object(number, "<< /Index " + std::to_string(number) +
                           " /Note (a string of some length that the encryption has to process) >>");
  }
  return pdf.Finish("/Root 1 0 R");
}

// The status column of a file list, row by row.
inline QStringList Statuses(const TFileList& list) {
  QStringList statuses;
  for (int row = 0; row < list.rowCount(); ++row) statuses << list.Status(row);
  return statuses;
}

class TWindowFixture {
 public:
  TWindowFixture() : TWindowFixture(std::make_shared<QTemporaryDir>()) {}
  explicit TWindowFixture(std::shared_ptr<QTemporaryDir> settingsFolder) : settings(std::move(settingsFolder)) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings->path());
    forms = std::make_unique<TApplicationForms>(prompts);
  }

  TMainWindow& Window() { return forms->MainWindow(); }
  TPasswordSettingsDialog& Dialog() { return forms->PasswordSettingsDialog(); }
  app::TBackgroundWorker& Worker() {
    return *Window().findChild<app::TBackgroundWorker*>(QStringLiteral("batchWorker"));
  }

  // A control of the main window itself (the dialogs, children of the window, reuse some names).
  template <typename Widget>
  Widget& Main(const char* name) {
    return FindIn<Widget>(Window(), name);
  }
  template <typename Widget>
  Widget& Settings(const char* name) {
    return FindIn<Widget>(Dialog(), name);
  }
  template <typename Widget>
  static Widget& FindIn(QWidget& form, const char* name) {
    for (Widget* widget : form.findChildren<Widget*>(QString::fromLatin1(name))) {
      if (widget->window() == &form) return *widget;
    }
    qFatal("no control %s", name);
  }

  QString WriteFile(const std::string& name, const std::string& bytes) {
    pdf::testing::WriteFile(files / name, bytes);
    return Path(name);
  }
  QString Path(const std::string& name) const { return QString::fromStdString((files / name).string()); }
  // An encrypted copy of a document (one page unless given), made by the library itself at 128-bit
  // AES; restricted, it allows nothing but printing.
  QString WriteEncryptedPdf(const std::string& name, const std::u16string& user, bool restricted = false,
                            const std::u16string& owner = u"owner", const std::string& bytes = OnePagePdf()) {
    const QString plain = WriteFile(".plain-" + name, bytes);
    pdf::TCorvanePDFLibrary1013 library;
    const int allowed = restricted ? 0 : 1;
    library.EncryptFileToFile(plain.toStdU16String(), Path(name).toStdU16String(), owner, user, 2,
                              pdf::TVelloPDF::BuildPermissionMask(1, allowed, allowed, allowed, allowed, allowed,
                                                                  allowed, 1));
    if (library.ErrorCode() != 0) qFatal("cannot encrypt the fixture");
    return Path(name);
  }

  // The file dialog answers paths; waits until every candidate was inspected.
  void AddFiles(const QStringList& paths) {
    prompts.openFilesAnswers.push_back(paths);
    Main<QAbstractButton>("addFilesButton").click();
    QTRY_VERIFY_WITH_TIMEOUT(!Window().IsAddingFiles(), 20000);
  }

  TScriptedPrompts prompts;
  std::shared_ptr<QTemporaryDir> settings;
  pdf::testing::TempFolder files;
  std::unique_ptr<TApplicationForms> forms;
};

}  // namespace ombrelt::ui::testing
