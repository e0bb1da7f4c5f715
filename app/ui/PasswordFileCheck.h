#pragma once
// What can be known of a password file path before a batch writes to it: why it would not do, in
// words the user can act on. The settings dialog refuses such a path at OK, and "Encrypt Pdf" says
// the same reason when one is stored anyway.

#include <QString>

namespace ombrelt::ui {

// Empty when the path names a .csv file, existing or not, that can be written in an existing folder.
QString PasswordFileProblem(const QString& path);

}  // namespace ombrelt::ui
