#include "settings/IniDocument.h"

#include <wx/string.h>

#include "platform/CLocale.h"

namespace {
constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
  const size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// The name of a section header line ("[name]", up to the last "]"), or nothing.
std::optional<std::string_view> HeaderName(std::string_view trimmed) {
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  trimmed.remove_prefix(1);
  const size_t close = trimmed.rfind(']');
  return Trim(close == std::string_view::npos ? trimmed : trimmed.substr(0, close));
}

bool IsComment(std::string_view trimmed) {
  return !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '#');
}

// The key of a "key=value" line, or nothing for any other line.
std::optional<std::string_view> KeyOf(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || IsComment(trimmed) || trimmed.front() == '[') return std::nullopt;
  const size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::string_view key = Trim(trimmed.substr(0, equals));
  if (key.empty()) return std::nullopt;
  return key;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

std::string_view ValueOf(std::string_view line) {
  std::string_view value = Trim(line.substr(line.find('=') + 1));
  if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return value;
}

// The value as written: a value that reading would change (one with blanks
// at either end, or enclosed in a pair of quotes of its own) is enclosed in
// double quotes, which reading takes off again.
std::string Protected(std::string value) {
  const bool blankEnds = !value.empty() && (kBlanks.find(value.front()) != std::string_view::npos ||
                                            kBlanks.find(value.back()) != std::string_view::npos);
  const bool quoted = value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
  return blankEnds || quoted ? '"' + value + '"' : value;
}

// Section names are single lines.
std::string OneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

bool IsStorableKey(std::string_view key) {
  key = Trim(key);
  return !key.empty() && key.find_first_of("=\r\n") == std::string_view::npos &&
         key.front() != '[' && key.front() != ';' && key.front() != '#';
}
}  // namespace

std::optional<std::string> IniDocument::Unstorable(std::string_view key, std::string_view value) {
  if (!IsStorableKey(key))
    return "the key name '" + std::string(key) +
           "' cannot be written to an INI file (it is empty, contains '=' or a line break, or starts with "
           "'[', ';' or '#')";
  if (value.find_first_of("\r\n") != std::string_view::npos)
    return "the value of '" + std::string(key) + "' holds a line break, which an INI file cannot keep";
  return std::nullopt;
}

std::string IniDocument::Fold(std::string_view name) {
  // Line breaks count as blanks, as they become blanks when a name is written.
  std::string oneLine;
  if (name.find_first_of("\r\n") != std::string_view::npos) {
    oneLine = OneLine(name);
    name = oneLine;
  }
  name = Trim(name);
  std::string folded(name);
  bool ascii = true;
  for (char& c : folded) {
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (ascii) return folded;
  wxString wide = wxString::FromUTF8(name.data(), name.size());
  if (wide.empty()) return folded;  // not UTF-8: compare the bytes, ASCII letters folded
  for (auto it = wide.begin(); it != wide.end(); ++it)
    *it = LowerCaseUnicode(static_cast<wchar_t>(*it));
  return wide.utf8_string();
}

IniDocument::IniDocument(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) {
    byteOrderMark_ = true;
    text.remove_prefix(kByteOrderMark.size());
  }
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t newline = text.find('\n', pos);
    if (newline == std::string_view::npos) {
      AddLine(text.substr(pos), Ending::None);
      break;
    }
    const bool crlf = newline > pos && text[newline - 1] == '\r';
    const Ending ending = crlf ? Ending::CRLF : Ending::LF;
    AddLine(text.substr(pos, newline - pos - (crlf ? 1 : 0)), ending);
    if (!sawNewline_) {
      newline_ = ending;
      sawNewline_ = true;
    }
    pos = newline + 1;
  }
}

void IniDocument::AddLine(std::string_view text, Ending ending) {
  if (const auto name = HeaderName(Trim(text))) {
    Block block;
    block.isSection = true;
    block.lines.push_back({std::string(text), ending});
    blocks_.push_back(std::move(block));
    sections_.try_emplace(Fold(*name), blocks_.size() - 1);
    return;
  }
  if (blocks_.empty()) blocks_.emplace_back();
  Block& block = blocks_.back();
  block.lines.push_back({std::string(text), ending});
  if (!block.isSection) return;
  if (const auto key = KeyOf(text)) {
    block.keys.try_emplace(Fold(*key), block.lines.size() - 1);
    block.lastKeyLine = block.lines.size() - 1;
  }
}

void IniDocument::AppendLine(std::string text) {
  if (blocks_.empty()) blocks_.emplace_back();
  std::vector<Line>& lines = blocks_.back().lines;
  if (!lines.empty() && lines.back().ending == Ending::None) lines.back().ending = newline_;
  lines.push_back({std::move(text), newline_});
}

const IniDocument::Block* IniDocument::FindSection(std::string_view section) const {
  if (lastBlock_ != SIZE_MAX && section == lastSection_) return &blocks_[lastBlock_];
  const auto it = sections_.find(Fold(section));
  if (it == sections_.end()) return nullptr;
  lastSection_ = section;
  lastBlock_ = it->second;
  return &blocks_[lastBlock_];
}

std::optional<std::string_view> IniDocument::Find(std::string_view section,
                                                  std::string_view key) const {
  const Block* block = FindSection(section);
  if (!block) return std::nullopt;
  const auto it = block->keys.find(Fold(key));
  if (it == block->keys.end()) return std::nullopt;
  return ValueOf(block->lines[it->second].text);
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  if (Unstorable(key, value)) return false;
  const std::string sectionName = OneLine(Trim(section));
  const std::string keyName(Trim(key));
  const std::string valueText = Protected(std::string(value));
  const std::string foldedKey = Fold(keyName);

  const auto found = sections_.find(Fold(sectionName));
  if (found == sections_.end()) {
    // A new section at the end, set off from the text before by a blank line.
    if (!blocks_.empty() && !blocks_.back().lines.empty() &&
        !Trim(blocks_.back().lines.back().text).empty())
      AppendLine(std::string());
    if (!blocks_.empty() && !blocks_.back().lines.empty() &&
        blocks_.back().lines.back().ending == Ending::None)
      blocks_.back().lines.back().ending = newline_;
    Block block;
    block.isSection = true;
    block.lines.push_back({"[" + sectionName + "]", newline_});
    block.lines.push_back({keyName + "=" + valueText, newline_});
    block.keys.emplace(foldedKey, 1);
    block.lastKeyLine = 1;
    blocks_.push_back(std::move(block));
    sections_.emplace(Fold(sectionName), blocks_.size() - 1);
    return true;
  }

  Block& block = blocks_[found->second];
  if (const auto it = block.keys.find(foldedKey); it != block.keys.end()) {
    Line& line = block.lines[it->second];
    line.text = std::string(*KeyOf(line.text)) + "=" + valueText;
    return true;
  }
  // After the section's last key, before any trailing comments and blank lines.
  const size_t at = block.lastKeyLine + 1;
  if (block.lines[at - 1].ending == Ending::None) block.lines[at - 1].ending = newline_;
  block.lines.insert(block.lines.begin() + static_cast<std::ptrdiff_t>(at),
                     Line{keyName + "=" + valueText, newline_});
  block.keys.emplace(foldedKey, at);
  block.lastKeyLine = at;
  return true;
}

std::string IniDocument::Text() const {
  size_t size = byteOrderMark_ ? kByteOrderMark.size() : 0;
  for (const Block& block : blocks_)
    for (const Line& line : block.lines) size += line.text.size() + 2;
  std::string text;
  text.reserve(size);
  if (byteOrderMark_) text += kByteOrderMark;
  for (const Block& block : blocks_) {
    for (const Line& line : block.lines) {
      text += line.text;
      if (line.ending == Ending::CRLF) text += "\r\n";
      else if (line.ending == Ending::LF) text += '\n';
    }
  }
  return text;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const Block& block : blocks_)
    if (block.isSection) names.emplace_back(*HeaderName(Trim(block.lines.front().text)));
  return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  if (const Block* block = FindSection(section))
    for (const Line& line : block->lines)
      if (const auto key = KeyOf(line.text)) names.emplace_back(*key);
  return names;
}
