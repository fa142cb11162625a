#pragma once
// The computer's local date and time, as a clock on an instrument is set.

struct LocalDateTime {
  int year = 0;    // e.g. 2026
  int month = 0;   // 1 to 12
  int day = 0;     // 1 to 31
  int hour = 0;    // 0 to 23
  int minute = 0;
  int second = 0;  // 0 to 60
};

LocalDateTime LocalClock();
