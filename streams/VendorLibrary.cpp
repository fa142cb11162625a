#include "streams/VendorLibrary.h"

#include <utility>

#include "logging/JournexEntry.h"
#include "platform/SharedLibrary.h"

std::string ChooseVendorLibrary(const VendorLibraryDescription& description) {
  return SharedLibrary::Choose(description.variable, description.defaultName);
}

VendorLibraryAttempt::VendorLibraryAttempt(const VendorLibraryDescription& description, std::string name)
    : description_(description), name_(std::move(name)) {
  std::string error;
  handle_ = SharedLibrary::Open(name_, &error);
  if (!handle_) {
    failure_ = error;
    JournexEntry::Note(description_.call, description_.module, "Error",
                       "The " + std::string(description_.title) + " library could not be loaded",
                       {{"library", name_}, {"reason", error}, {"Err", description_.notLoaded}});
  }
}

std::string VendorLibraryAttempt::Failure() const {
  if (missing_.empty()) return failure_;
  std::string names;
  for (const std::string& name : missing_) names += (names.empty() ? "" : ", ") + name;
  return names + (missing_.size() == 1 ? " is missing" : " are missing");
}

void* VendorLibraryAttempt::Find(const char* symbol) {
  void* function = SharedLibrary::Find(handle_, symbol);
  if (function) return function;
  complete_ = false;
  missing_.emplace_back(symbol);
  JournexEntry::Note(description_.call, description_.module, "Error",
                     std::string(symbol) + " could not be found in the " + std::string(description_.title) +
                         " library",
                     {{"library", name_}});
  return nullptr;
}

Status VendorLibraryAttempt::Finish() {
  const std::string call(description_.call);
  if (!complete_) {
    if (description_.noteIncomplete) {
      JournexEntry::Note(description_.call, description_.module, "Error", call + "(\"Failed\")",
                         {{"library", name_}, {"Err", description_.notLoaded}});
    }
    return description_.notLoaded;
  }
  JournexEntry::Note(description_.call, description_.module, "Note", call + "(\"Loaded\")", {{"library", name_}});
  return 0;
}
