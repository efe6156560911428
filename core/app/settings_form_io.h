// Where each settings field lives in the main window: the form read from it and shown in it.
#pragma once

#include <optional>

#include "platform/window.h"
#include "settings/form_clicks.h"
#include "settings/settings_form.h"

namespace kvr {

// The field's control; 0 for a radio group, whose buttons RadioOf names.
int ControlOf(Field field);
// The radio button of a group's choice.
int RadioOf(Field group, int choice);
struct RadioChoice {
    Field group;
    int choice;
};
// The group and choice of a radio button; none for any other control.
std::optional<RadioChoice> RadioChoiceOf(int control);

// The form as the window shows it now.
SettingsForm ReadForm(Window& mainWindow);
// One field of it.
FieldValue ReadField(Window& mainWindow, Field field);
// Shows what changed from `before` to `after` (radios cleared before one is
// checked) and what the clicks left editable.
void ShowFormChanges(Window& mainWindow, const SettingsForm& before, const SettingsForm& after,
                     const BatteryEditing& editing);

}  // namespace kvr
