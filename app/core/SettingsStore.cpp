#include "app/core/SettingsStore.h"

#include <QSettings>

namespace ombrelt::app {

namespace {

constexpr const char* kOrganization = "OmbreltEnc";
constexpr const char* kStoreName = "uses";

}  // namespace

void WriteRegs(const QString& name, const QString& text) {
  QSettings store(QSettings::NativeFormat, QSettings::UserScope, kOrganization, kStoreName);
  store.setValue(name, text);
  store.sync();
}

QString ReadRegs(const QString& name) {
  const QSettings store(QSettings::NativeFormat, QSettings::UserScope, kOrganization, kStoreName);
  return store.value(name).toString();
}

}  // namespace ombrelt::app
