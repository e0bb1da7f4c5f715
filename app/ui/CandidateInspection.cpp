#include "app/ui/CandidateInspection.h"

#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QStringList>

#include "app/core/EncryptionNotices.h"
#include "app/ui/UserPrompts.h"
#include "pdf/facade/ErrorWords.h"
#include "pdf/facade/VelloPDF.h"

namespace ombrelt::ui {

namespace {

constexpr std::int32_t kItemPages = 9;
constexpr std::int32_t kItemEncryption = 13;  // "None", "Owner" or "User"

// Releases the inspection list on every path.
class TInspectionHandle {
 public:
  TInspectionHandle(pdf::TVelloPDF& library, std::int32_t handle) : library_(library), handle_(handle) {}
  ~TInspectionHandle() { library_.ReleaseInspection(handle_); }
  TInspectionHandle(const TInspectionHandle&) = delete;
  TInspectionHandle& operator=(const TInspectionHandle&) = delete;

  QString Item(std::int32_t index) const {
    return QString::fromStdU16String(library_.InspectionItem(handle_, index));
  }

 private:
  pdf::TVelloPDF& library_;
  const std::int32_t handle_;
};

QString NoticeText(const TInspectionHandle& inspection) {
  QStringList lines;
  for (const std::u16string& notice :
       app::EncryptionNotices(inspection.Item(pdf::kInspectionItemSigned).toStdU16String(),
                              inspection.Item(pdf::kInspectionItemPDFA).toStdU16String())) {
    lines << QString::fromStdU16String(notice);
  }
  // A damaged file the reader had to mend is encrypted like any other; the user should know why
  // its copy differs from it in more than encryption.
  const QString repairs = inspection.Item(pdf::kInspectionItemRepaired);
  if (!repairs.isEmpty()) lines << QStringLiteral("Damaged, repaired: %1").arg(repairs);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

TCandidate InspectCandidate(const QString& path) {
  pdf::TCorvanePDFLibrary1013 library;
  const TInspectionHandle inspection(library, library.InspectFile(path.toStdU16String(), u""));
  const std::int32_t errorCode = library.ErrorCode();
  // In this order: not encrypted, readable, at least one page.
  if (errorCode == pdf::kErrorPassword || (errorCode == 0 && inspection.Item(kItemEncryption) != u"None")) {
    return {false, {}, {}, QStringLiteral("already encrypted")};
  }
  if (errorCode != 0 || inspection.Item(kItemEncryption) != u"None") {
    return {false, {}, {}, QString::fromStdString(pdf::ErrorWords(errorCode != 0 ? errorCode : pdf::kErrorNotPDF))};
  }
  const QString pages = inspection.Item(kItemPages);
  bool isNumber = false;
  if (pages.toInt(&isNumber) <= 0 || !isNumber) return {false, {}, {}, QStringLiteral("no pages")};
  return {true, pages, NoticeText(inspection), {}};
}

TCandidate InspectProtectedCandidate(const QString& path) {
  pdf::TCorvanePDFLibrary1013 library;
  const TInspectionHandle inspection(library, library.InspectFile(path.toStdU16String(), u""));
  const std::int32_t errorCode = library.ErrorCode();
  // Only the password opens it: its pages stay unknown until the batch does.
  if (errorCode == pdf::kErrorPassword) return {true, {}, {}, {}};
  if (errorCode != 0) return {false, {}, {}, QString::fromStdString(pdf::ErrorWords(errorCode))};
  if (inspection.Item(kItemEncryption) == u"None") return {false, {}, {}, QStringLiteral("not encrypted")};
  return {true, inspection.Item(kItemPages), {}, {}};
}

QString RefusedFileMessage(const QString& path, const QString& state) {
  return QStringLiteral("\"%1\" is %2 or invalid pdf!").arg(QFileInfo(path).fileName(), state);
}

QString RefusedFilesMessage(int count, const QString& state) {
  return QStringLiteral("%1 files are %2 or invalid pdf! They were not added; the details say why.")
      .arg(count)
      .arg(state);
}

QString RefusedFilesDetails(const QList<QPair<QString, QString>>& refused) {
  QStringList lines;
  for (const auto& [path, reason] : refused) lines << QFileInfo(path).fileName() + QStringLiteral(": ") + reason;
  return lines.join(QLatin1Char('\n'));
}

void ShowRefusals(TUserPrompts& prompts, QWidget* parent, const QList<QPair<QString, QString>>& refused,
                  const QString& state) {
  if (refused.size() == 1) {
    prompts.ShowMessage(parent, TMessageIcon::kError, QStringLiteral("Stop!"),
                        RefusedFileMessage(refused[0].first, state));
  } else if (refused.size() > 1) {
    prompts.ShowDetailedMessage(parent, TMessageIcon::kError, QStringLiteral("Stop!"),
                                RefusedFilesMessage(static_cast<int>(refused.size()), state),
                                RefusedFilesDetails(refused));
  }
}

}  // namespace ombrelt::ui
