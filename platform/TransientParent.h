#pragma once
// Makes a top-level window a transient of the host's X11 window, so the
// window manager keeps it above the host. Does nothing without X11 or for an
// id that names no window.
#include <cstdint>

void MakeTransientFor(void* nativeWidget, uint32_t hostWindowId);
