#include "dialogs/DecoratorValidators.h"

#include "logging/JournexEntry.h"
#include "platform/MessageBox.h"

void ShowValueValidationMessage(const std::string& text) {
  JournexEntry::Note("Validate", "AllowedSetDecoratorValidator", "Warning", text);
  PlatformMessageBox(0, text, "Value Validation", kMbOk | kMbIconWarning);
}
