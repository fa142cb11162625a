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

// Prints one line per finding ("FILE: [Section] Key: what") to out and
// returns their number; -1 (with the reason on err) when no driver of type
// key can be created.
int LintFiles(swm::Module& module, const std::string& key, const std::vector<std::string>& files, bool connect,
              std::ostream& out, std::ostream& err);
