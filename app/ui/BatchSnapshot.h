#pragma once
// What the window and the password settings dialog show, in the forms validation and the batch
// job take. Read on the window's thread just before a batch starts; the job never touches a
// control.

#include "app/core/BatchSettings.h"
#include "app/core/BatchValidation.h"

namespace ombrelt::ui {

struct TMainControls;
class TPasswordSettingsDialog;

app::TValidationInput ValidationInputOf(const TMainControls& controls, const TPasswordSettingsDialog& passwordSettings);

// Every box is read whatever its enabled or visible state: hidden extended permissions still count.
app::TBatchSettings TakeBatchSettings(const TMainControls& controls, const TPasswordSettingsDialog& passwordSettings);

}  // namespace ombrelt::ui
