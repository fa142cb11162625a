#pragma once
// The module object created at process attach: keeps the library's instance
// handle and announces itself in the log.
#include <string>

class DLLModule {
public:
  virtual ~DLLModule() = default;
  // Writes the "OnInit()" record with the thread IDs and the module's file name.
  virtual bool OnInit();
  virtual void OnExit() {}

  void SetInstance(const void* instance, std::string fileName) {
    instance_ = instance;
    fileName_ = std::move(fileName);
  }
  const void* Instance() const { return instance_; }
  const std::string& FileName() const { return fileName_; }

private:
  const void* instance_ = nullptr;
  std::string fileName_;
};
