#pragma once
// linux-gpib opens a board through its device file (/dev/gpib0, /dev/gpib1,
// ...), and an ibfind or ibdev whose board cannot be opened keeps the entry
// of the library's descriptor table that it took. Trying the device file
// first tells without taking one. $SWMATRIX_GPIB_DEVICES names another
// directory of these files (a test bench, a chroot).

// 0 when board's device file opens for reading and writing, else the
// system's error number. Without the variable a missing /dev/gpibN gives 0:
// no linux-gpib driver made it, and the library loaded (perhaps another
// vendor's) decides.
int GpibBoardOpenError(int board);
