#pragma once
// The settings store on an INI file: a table is a section (named by the
// dotted table path), a value a "key=value" line, and every value text.
//
// Typed values are written as "%u" / "%d" (integers), "%G" (float and double,
// always with a '.'), "1" / "0" (bool), and read back by reading text with the
// default formatted the same way and parsing it: integers and reals that do
// not parse give 0, booleans accept a list of words (see ReadBool).
//
// Reads go through a growing buffer, as the profile-string call of the
// original platform does: the value is copied into a buffer of 50 characters
// at first; a value that fills it up to the last character may have been cut,
// so the buffer is doubled and the read repeated.
#include <memory>

#include "settings/IniFile.h"
#include "settings/TableFullPathProgramSettingsDatabase.h"

class INIProgramSettingsDatabase : public TableFullPathProgramSettingsDatabase {
public:
  static constexpr size_t kInitialBufferSize = 50;

  explicit INIProgramSettingsDatabase(std::string fileName);

  using ProgramSettingsDatabase::Read;
  using ProgramSettingsDatabase::Write;

  void SetFileName(const std::string& fileName) override;
  // While open, reads see the file as the first read of the access found it,
  // plus this store's own writes; see IniFile::Hold.
  void Open() override;
  void Close() override;

  void WriteNarrow(const std::string& key, const std::string& value) override;
  void Write(const std::string& key, const wxString& value) override;
  void Write(const std::string& key, unsigned int value) override;
  void Write(const std::string& key, int value) override;
  void Write(const std::string& key, unsigned long value) override;
  void Write(const std::string& key, long value) override;
  void Write(const std::string& key, float value) override;
  void Write(const std::string& key, double value) override;
  void Write(const std::string& key, bool value) override;

  std::string ReadNarrow(const std::string& key, const std::string& defaultValue) override;
  wxString Read(const std::string& key, const wxString& defaultValue) override;
  unsigned int Read(const std::string& key, unsigned int defaultValue) override;
  int Read(const std::string& key, int defaultValue) override;
  unsigned long Read(const std::string& key, unsigned long defaultValue) override;
  long Read(const std::string& key, long defaultValue) override;
  double Read(const std::string& key, double defaultValue) override;
  float Read(const std::string& key, float defaultValue) override;
  bool Read(const std::string& key, bool defaultValue) override;

  std::string FirstWriteFailure() const override { return firstWriteFailure_; }

  // The read buffer's size in characters: 0 before the first read.
  size_t ReadBufferSize() const { return bufferSize_; }

  // The text form of a real number: printf "%G" in the "C" locale.
  static std::string FormatReal(double value);

private:
  // The primitive text write and read of every typed overload.
  void WriteText(const std::string& key, const wxString& value);
  wxString ReadText(const std::string& key, const wxString& defaultValue);
  // The profile-string read: copies at most size - 1 characters of the value
  // (or of the default when the key is missing) and a terminator into buffer,
  // and returns the number copied.
  size_t GetProfileString(const std::string& key, const wxString& defaultValue, wchar_t* buffer,
                          size_t size);
  bool AllocateBuffer(size_t size);

  IniFile file_;
  std::unique_ptr<wchar_t[]> buffer_;
  size_t bufferSize_ = 0;
  std::string firstWriteFailure_;
};
