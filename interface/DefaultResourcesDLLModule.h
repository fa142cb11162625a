#pragma once
// The module object the library creates. Dialog resources are loaded on
// demand by the dialogs themselves, so both hooks stay as DLLModule has them.
#include "interface/DLLModule.h"

class DefaultResourcesDLLModule : public DLLModule {};
