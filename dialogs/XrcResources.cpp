#include "dialogs/XrcResources.h"

#include <wx/xrc/xmlres.h>

#include <mutex>

// Generated from every .xrc file of the module at build time.
void SwmInitXmlResources();

void EnsureXrcResources() {
  static std::once_flag once;
  std::call_once(once, [] {
    wxXmlResource::Get()->InitAllHandlers();
    SwmInitXmlResources();
  });
}
