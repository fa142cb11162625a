#pragma once
// The stream type transports derive from and clients hold: the abstract
// stream with the command/answer exchange.
#include <memory>

#include "streams/DeviceStreamSeparatedReadWrite.h"
#include "streams/WriteReadMixin.h"

using DeviceStream = WriteReadMixin<DeviceStreamSeparatedReadWrite>;
using DeviceStreamPtr = std::shared_ptr<DeviceStream>;
