#pragma once
// What qpdf, a reader other than ours, makes of the copies a window test's batch wrote.

#include <QString>

#include <string>

#include "tests/support/TestTools.h"

namespace ombrelt::ui::testing {

// What qpdf says about the encryption of path opened with password; empty when it cannot open it.
inline std::string QpdfEncryption(const QString& path, const QString& password) {
  const pdf::testing::CommandResult result =
      pdf::testing::RunCommand("qpdf --password=" + pdf::testing::Quote(password.toStdString()) +
                               " --show-encryption " + pdf::testing::Quote(path.toStdString()));
  return result.exitCode == 0 ? result.output : std::string();
}

inline bool QpdfOpens(const QString& path, const QString& password) {
  return pdf::testing::RunCommand("qpdf --password=" + pdf::testing::Quote(password.toStdString()) + " --check " +
                                  pdf::testing::Quote(path.toStdString()))
             .exitCode == 0;
}

}  // namespace ombrelt::ui::testing
