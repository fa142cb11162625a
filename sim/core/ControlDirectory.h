#pragma once
// Where a simulator started without a control path serves its control
// socket, so that "swmsim ctl" finds the one running simulator of the user:
// $XDG_RUNTIME_DIR/swmatrix/swmsim-<pid>.ctl, else
// /tmp/swmatrix-<uid>/swmsim-<pid>.ctl (a directory only the user can enter).
#include <string>
#include <vector>

namespace sim {

std::string ControlDirectory();
// The control socket path of this process; creates the directory. Empty
// with an error text when the directory cannot be made.
std::string OwnControlPath(std::string* error);
// The control sockets in the directory that a simulator answers on; socket
// files that nobody serves any more (a simulator that was killed) are removed.
std::vector<std::string> RunningControlSockets();

}  // namespace sim
