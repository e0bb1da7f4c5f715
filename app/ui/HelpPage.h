#pragma once
// The help page the "Help" link opens: help.html beside the program when run from the build
// folder, share/ombreltenc/help.html under the installation prefix when installed.

#include <QString>

namespace ombrelt::ui {

QString HelpPagePath();

}  // namespace ombrelt::ui
