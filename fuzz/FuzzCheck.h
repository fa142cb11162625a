#pragma once
// A property that must hold for every input: a broken one stops the fuzzer
// at once, with the input that broke it.
inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}
