#pragma once
// The character encodings of INI files. A file is held as UTF-8 text while
// it is read and changed, and written back in the encoding it came in, so
// that every byte a program did not change stays as it was:
// - UTF-8 (with or without a byte order mark, which the text keeps);
// - Latin-1: a file that is not valid UTF-8 (an 8-bit code page);
// - UTF-16 with a byte order mark, little or big endian. A lone surrogate
//   is held as its three-byte form (as UTF-8 would encode it, were it
//   allowed) and an odd last byte is kept aside, so even a damaged file is
//   written back as it was.
#include <cstdint>
#include <string>
#include <string_view>

struct FileEncoding {
  enum class Form : uint8_t { Utf8, Latin1, Utf16LE, Utf16BE };
  Form form = Form::Utf8;
  std::string oddByte;  // a UTF-16 file's last byte that makes no unit

  bool operator==(const FileEncoding&) const = default;
};

// The text (UTF-8) of a file's bytes, and the encoding found.
std::string DecodeFileText(std::string_view bytes, FileEncoding* encoding);

// The bytes of the text in the encoding. A Latin-1 file whose text holds a
// character beyond Latin-1 is written as UTF-8 as a whole, and the encoding
// becomes UTF-8.
std::string EncodeFileText(std::string_view text, FileEncoding* encoding);

// Whether the bytes are valid UTF-8 (no overlong forms, surrogates or code
// points beyond U+10FFFF).
bool IsUtf8(std::string_view bytes);

// Text as UTF-8: valid UTF-8 as it is, other bytes taken as Latin-1.
std::string AsUtf8(std::string_view bytes);
