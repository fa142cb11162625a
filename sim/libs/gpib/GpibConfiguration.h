#pragma once
// The boards of the simulated GPIB library's configuration, read the way
// linux-gpib reads gpib.conf: the file named by $IB_CONFIG. Only the
// "interface" sections count here (their "minor" and "name"). Without
// IB_CONFIG the library behaves as if the file that linux-gpib ships were
// installed: board 0 named "violet", and boards 1 to 3 configured without
// a name (the simulated bus has four boards).
#include "gpibsrq/GpibConf.h"

namespace simlib {

using gpibconf::GpibBoards;

GpibBoards ReadGpibConfiguration();

}  // namespace simlib
