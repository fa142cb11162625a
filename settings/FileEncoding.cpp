#include "settings/FileEncoding.h"

namespace {
constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";

// The code point at bytes[at] and the length of its UTF-8 form; 0 when the
// bytes there are no valid form. Surrogates (U+D800 to U+DFFF) count as
// valid only when allowed: the text of a UTF-16 file holds lone ones so.
size_t NextCodePoint(std::string_view bytes, size_t at, uint32_t* point, bool allowSurrogates) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return *point = lead, 1;
  size_t length = 0;
  uint32_t value = 0, least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, value = lead & 0x1Fu, least = 0x80;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, value = lead & 0x0Fu, least = 0x800;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, value = lead & 0x07u, least = 0x10000;
  else return 0;
  if (at + length > bytes.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = value << 6 | (byte(at + i) & 0x3Fu);
  }
  if (value < least || value > 0x10FFFF) return 0;
  if (!allowSurrogates && value >= 0xD800 && value <= 0xDFFF) return 0;
  *point = value;
  return length;
}

void AppendUtf8(uint32_t point, std::string* out) {
  const auto add = [out](uint32_t byte) { out->push_back(static_cast<char>(byte)); };
  if (point < 0x80) {
    add(point);
  } else if (point < 0x800) {
    add(0xC0 | point >> 6), add(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    add(0xE0 | point >> 12), add(0x80 | (point >> 6 & 0x3F)), add(0x80 | (point & 0x3F));
  } else {
    add(0xF0 | point >> 18), add(0x80 | (point >> 12 & 0x3F)), add(0x80 | (point >> 6 & 0x3F)),
        add(0x80 | (point & 0x3F));
  }
}

std::string Utf8FromLatin1(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (const char c : bytes) AppendUtf8(static_cast<unsigned char>(c), &out);
  return out;
}

// The Latin-1 bytes of the text, or false when a character is beyond Latin-1.
bool Latin1FromUtf8(std::string_view text, std::string* out) {
  out->reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    uint32_t point = 0;
    const size_t length = NextCodePoint(text, at, &point, false);
    if (length == 0 || point > 0xFF) return false;
    out->push_back(static_cast<char>(point));
    at += length;
  }
  return true;
}

std::string Utf8FromUtf16(std::string_view bytes, bool bigEndian) {
  const auto unit = [&](size_t i) {
    const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    return static_cast<uint32_t>(hi << 8 | lo);
  };
  std::string out;
  out.reserve(bytes.size() / 2);
  for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const uint32_t first = unit(at);
    if (first >= 0xD800 && first <= 0xDBFF && at + 3 < bytes.size()) {
      const uint32_t second = unit(at + 2);
      if (second >= 0xDC00 && second <= 0xDFFF) {
        AppendUtf8(0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00), &out);
        at += 2;
        continue;
      }
    }
    AppendUtf8(first, &out);  // a lone surrogate too, so that it is written back
  }
  return out;
}

std::string Utf16FromUtf8(std::string_view text, bool bigEndian) {
  std::string out;
  out.reserve(text.size() * 2);
  const auto add = [&](uint32_t unit) {
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    out.push_back(bigEndian ? hi : lo);
    out.push_back(bigEndian ? lo : hi);
  };
  for (size_t at = 0; at < text.size();) {
    uint32_t point = 0;
    size_t length = NextCodePoint(text, at, &point, true);
    if (length == 0) point = static_cast<unsigned char>(text[at]), length = 1;  // not UTF-8: Latin-1
    if (point >= 0x10000) {
      add(0xD800 + ((point - 0x10000) >> 10));
      add(0xDC00 + ((point - 0x10000) & 0x3FF));
    } else {
      add(point);
    }
    at += length;
  }
  return out;
}
}  // namespace

bool IsUtf8(std::string_view bytes) {
  for (size_t at = 0; at < bytes.size();) {
    // Runs of ASCII, the bulk of any INI file, are passed quickly.
    if (static_cast<unsigned char>(bytes[at]) < 0x80) {
      ++at;
      continue;
    }
    uint32_t point = 0;
    const size_t length = NextCodePoint(bytes, at, &point, false);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string AsUtf8(std::string_view bytes) {
  return IsUtf8(bytes) ? std::string(bytes) : Utf8FromLatin1(bytes);
}

std::string DecodeFileText(std::string_view bytes, FileEncoding* encoding) {
  *encoding = FileEncoding();
  const bool little = bytes.starts_with(kUtf16LEMark), big = bytes.starts_with(kUtf16BEMark);
  if (little || big) {
    encoding->form = little ? FileEncoding::Form::Utf16LE : FileEncoding::Form::Utf16BE;
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) encoding->oddByte = bytes.back();
    return Utf8FromUtf16(bytes, big);
  }
  if (IsUtf8(bytes)) return std::string(bytes);
  encoding->form = FileEncoding::Form::Latin1;
  return Utf8FromLatin1(bytes);
}

std::string EncodeFileText(std::string_view text, FileEncoding* encoding) {
  switch (encoding->form) {
    case FileEncoding::Form::Utf8:
      return std::string(text);
    case FileEncoding::Form::Latin1: {
      std::string bytes;
      if (Latin1FromUtf8(text, &bytes)) return bytes;
      encoding->form = FileEncoding::Form::Utf8;
      return std::string(text);
    }
    case FileEncoding::Form::Utf16LE:
      return std::string(kUtf16LEMark) + Utf16FromUtf8(text, false) + encoding->oddByte;
    case FileEncoding::Form::Utf16BE:
      return std::string(kUtf16BEMark) + Utf16FromUtf8(text, true) + encoding->oddByte;
  }
  return std::string(text);
}
