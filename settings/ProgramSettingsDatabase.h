#pragma once
// The abstract settings store: nested tables of named text values. Held by
// shared pointer; a null pointer means there is no store.
#include <wx/string.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "settings/NarrowText.h"

class ProgramSettingsDatabase {
public:
  explicit ProgramSettingsDatabase(std::string fileName) : fileName_(std::move(fileName)) {}
  virtual ~ProgramSettingsDatabase() = default;

  virtual void SetFileName(const std::string& fileName) {
    if (accessCounter_ == 0) fileName_ = fileName;
  }
  virtual std::string GetFileName() const { return fileName_; }

  // Primitive writes: effective only while the store is open.
  virtual void WriteNarrow(const std::string& key, const std::string& value) = 0;
  virtual void Write(const std::string& key, const wxString& value) = 0;
  virtual void Write(const std::string& key, unsigned int value) = 0;
  virtual void Write(const std::string& key, int value) = 0;
  virtual void Write(const std::string& key, unsigned long value) = 0;
  virtual void Write(const std::string& key, long value) = 0;
  virtual void Write(const std::string& key, float value) = 0;
  virtual void Write(const std::string& key, double value) = 0;
  virtual void Write(const std::string& key, bool value) = 0;
  // Forwarding writes.
  void Write(const std::string& key, const std::string& value) { WriteNarrow(key, value); }
  void Write(const std::string& key, const char* value) { Write(key, WideFromNarrow(value ? value : "")); }
  void Write(const std::string& key, const wchar_t* value) { Write(key, wxString(value ? value : L"")); }
  void Write(const std::string& key, short value) { Write(key, static_cast<int>(value)); }
  void Write(const std::string& key, unsigned short value) { Write(key, static_cast<unsigned int>(value)); }
  void Write(const std::string& key, char value) { Write(key, static_cast<int>(value)); }
  void Write(const std::string& key, unsigned char value) { Write(key, static_cast<unsigned int>(value)); }

  // Primitive reads: work whether or not the store is open; a missing key gives the default.
  virtual std::string ReadNarrow(const std::string& key, const std::string& defaultValue) = 0;
  virtual wxString Read(const std::string& key, const wxString& defaultValue) = 0;
  virtual unsigned int Read(const std::string& key, unsigned int defaultValue) = 0;
  virtual int Read(const std::string& key, int defaultValue) = 0;
  virtual unsigned long Read(const std::string& key, unsigned long defaultValue) = 0;
  virtual long Read(const std::string& key, long defaultValue) = 0;
  virtual double Read(const std::string& key, double defaultValue) = 0;
  virtual float Read(const std::string& key, float defaultValue) = 0;
  virtual bool Read(const std::string& key, bool defaultValue) = 0;
  // Forwarding reads.
  std::string Read(const std::string& key, const std::string& defaultValue) { return ReadNarrow(key, defaultValue); }
  wxString Read(const std::string& key, const char* defaultValue) { return Read(key, WideFromNarrow(defaultValue ? defaultValue : "")); }
  wxString Read(const std::string& key, const wchar_t* defaultValue) { return Read(key, wxString(defaultValue ? defaultValue : L"")); }
  short Read(const std::string& key, short defaultValue) { return static_cast<short>(Read(key, static_cast<int>(defaultValue))); }
  unsigned short Read(const std::string& key, unsigned short defaultValue) { return static_cast<unsigned short>(Read(key, static_cast<unsigned int>(defaultValue))); }

  virtual void PushTable(const std::string& name) = 0;
  virtual void PopTable() = 0;
  virtual void Open() { ++accessCounter_; }
  virtual void Close() {
    if (accessCounter_ > 0) --accessCounter_;
  }

  // Why the first write of this store that did not reach the file failed;
  // empty while every write arrived.
  virtual std::string FirstWriteFailure() const { return {}; }

  bool IsOpen() const { return accessCounter_ > 0; }
  int AccessCount() const { return accessCounter_; }
  // Set by LoadConfiguration when the file's Common table holds AdvancedPressed=false.
  bool AdvancedNotPressed() const { return advancedNotPressed_; }
  void SetAdvancedNotPressed(bool value) { advancedNotPressed_ = value; }

protected:
  const std::deque<wxString>& Tables() const { return tables_; }
  std::deque<wxString>& Tables() { return tables_; }

private:
  bool advancedNotPressed_ = false;
  std::string fileName_;
  std::deque<wxString> tables_;
  int32_t accessCounter_ = 0;
};

using SettingsStore = std::shared_ptr<ProgramSettingsDatabase>;

// Creates the INI store on a file name, used exactly as given.
SettingsStore CreateINIProgramSettingsDatabase(const std::string& fileName);
