#pragma once
// The dialog layouts compiled into the module, registered on first use.
void EnsureXrcResources();
