#pragma once
// The per-user settings store: the generator settings, the password file path and the output
// folder, as texts under QSettings("OmbreltEnc", "uses") (on Linux ~/.config/OmbreltEnc/uses.conf).
// Every access opens the store afresh, so what another instance of the program wrote is seen.

#include <QString>

#include <array>

namespace ombrelt::app {

// Value names. The eleven generator values are written and loaded in the order of kPasswordValues.
namespace setting {
inline constexpr const char* kUserNumeric = "uNumeric";
inline constexpr const char* kUserSpecialChar = "uSpecialChar";
inline constexpr const char* kUserPwdLength = "uPwdLength";
inline constexpr const char* kUserLowerCase = "uLowerCase";
inline constexpr const char* kUserAlphabet = "uAlphabet";
inline constexpr const char* kOwnerNumeric = "oNumeric";
inline constexpr const char* kOwnerSpecialChar = "oSpecialChar";
inline constexpr const char* kOwnerPwdLength = "oPwdLength";
inline constexpr const char* kOwnerLowerCase = "oLowerCase";
inline constexpr const char* kOwnerAlphabet = "oAlphabet";
inline constexpr const char* kLogPath = "LogPath";
inline constexpr const char* kSavePath = "SavePath";
// The window's encryption level (TBatchSettings::level as text) and "Keep metadata readable"
// ("-1" / "0"), written when the user changes them and read at start.
inline constexpr const char* kLevel = "Level";
inline constexpr const char* kCleartextMetadata = "CleartextMetadata";

inline constexpr std::array<const char*, 11> kPasswordValues = {
    kUserNumeric,  kUserSpecialChar,  kUserPwdLength,  kUserLowerCase,  kUserAlphabet, kOwnerNumeric,
    kOwnerSpecialChar, kOwnerPwdLength, kOwnerLowerCase, kOwnerAlphabet, kLogPath};
}  // namespace setting

// Stores text under name. A store that cannot be written is skipped silently: settings are a
// convenience, never a reason to stop the user.
void WriteRegs(const QString& name, const QString& text);

// The text stored under name, empty when there is none or the store cannot be read.
QString ReadRegs(const QString& name);

}  // namespace ombrelt::app
