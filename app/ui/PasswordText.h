#pragma once
// Whether a typed password holds a character no reader's password field takes: a control
// character (U+0000 ... U+001F, U+007F ... U+009F), pasted in with the password, such as a tab or
// a NUL. A copy protected by it could not be opened by typing.

#include <QString>

namespace ombrelt::ui {

inline bool HoldsControlCharacter(const QString& password) {
  for (const QChar c : password) {
    const char16_t code = c.unicode();
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return true;
  }
  return false;
}

}  // namespace ombrelt::ui
