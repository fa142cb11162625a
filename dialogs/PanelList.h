#pragma once
// The pages of a driver's tabbed configuration dialog, in the order added.
#include <functional>
#include <string>
#include <vector>

class ValidatorBasedPanel;

struct PanelListEntry {
  // Creates the concrete panel (not yet laid out: the dialog loads it from
  // the XRC resource named below).
  std::function<ValidatorBasedPanel*()> factory;
  std::string xrcName;
  std::string title;
};

class PanelList {
public:
  // Adding an entry whose name and title are already listed does nothing.
  void Add(PanelListEntry entry) {
    for (const PanelListEntry& existing : entries_)
      if (existing.xrcName == entry.xrcName && existing.title == entry.title) return;
    entries_.push_back(std::move(entry));
  }
  bool Empty() const { return entries_.empty(); }
  size_t Size() const { return entries_.size(); }
  const std::vector<PanelListEntry>& Entries() const { return entries_; }

private:
  std::vector<PanelListEntry> entries_;
};
