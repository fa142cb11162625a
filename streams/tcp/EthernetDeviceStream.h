#pragma once
// A TCP client connection to an instrument (stream type "TCPIP"). Nagle's
// algorithm is off, so a command never waits for a delayed acknowledgement.
#include "streams/tcp/NetworkBasedDeviceStream.h"

class EthernetDeviceStream : public NetworkBasedDeviceStream {};
