#pragma once
// `swmhost lint KEY FILE...`: checks a bench's configuration files before the
// test day. Each file is loaded into a new driver of type KEY and saved into
// an empty file; comparing the two shows the keys the driver does not read
// and the values it did not take as written. The settings the driver then
// holds are checked against this machine: serial ports, GPIB boards, the VISA
// library, external programs and Windows-form paths. With connect, the
// driver also runs CheckDevice against its instrument.
#include <iosfwd>
#include <string>
#include <vector>

#include "swmatrix/loader.h"

// `lint [--connect] KEY FILE...` (the arguments after "lint"): prints one
// line per finding ("FILE: [Section] Key: what") to out and nothing else;
// returns the exit status, 0 when nothing was found, 1 when something was,
// 2 (with the reason on err) for wrong arguments or a key that creates no
// driver.
int RunLint(swm::Module& module, std::vector<std::string> arguments, std::ostream& out, std::ostream& err);
