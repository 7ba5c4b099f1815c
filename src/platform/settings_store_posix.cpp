#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/settings_store.h"

namespace kelvo::platform {
namespace {

// Key paths and value names compare without regard to case, as in the registry.
std::string Folded(const char* text) {
  std::string folded(text != nullptr ? text : "");
  std::transform(folded.begin(), folded.end(), folded.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return folded;
}

class MemoryStore final : public SettingsStore {
 public:
  SettingsKey CurrentUser() override { return kRoot; }

  SettingsKey Open(SettingsKey parent, const char* path) override {
    std::lock_guard<std::mutex> hold(lock_);
    std::string full;
    if (!PathOf(parent, path, &full) || (!full.empty() && keys_.count(full) == 0)) return kNoKey;
    return Issue(full);
  }

  SettingsKey Create(SettingsKey parent, const char* path) override {
    std::lock_guard<std::mutex> hold(lock_);
    std::string full;
    if (!PathOf(parent, path, &full)) return kNoKey;
    // Every key on the way down exists afterwards.
    for (std::size_t at = full.find('\\'); at != std::string::npos; at = full.find('\\', at + 1))
      keys_.insert(full.substr(0, at));
    if (!full.empty()) keys_.insert(full);
    return Issue(full);
  }

  bool Read(SettingsKey key, const char* name, std::int32_t* value) override {
    std::lock_guard<std::mutex> hold(lock_);
    auto open = handles_.find(key);
    if (open == handles_.end()) return false;
    auto found = values_.find({open->second, Folded(name)});
    if (found == values_.end()) return false;
    *value = found->second;
    return true;
  }

  bool Write(SettingsKey key, const char* name, std::int32_t value) override {
    std::lock_guard<std::mutex> hold(lock_);
    auto open = handles_.find(key);
    if (open == handles_.end()) return false;
    values_[{open->second, Folded(name)}] = value;
    return true;
  }

  void Close(SettingsKey key) override {
    std::lock_guard<std::mutex> hold(lock_);
    handles_.erase(key);
  }

  void DeleteTree(const char* path) {
    std::lock_guard<std::mutex> hold(lock_);
    std::string top = Folded(path);
    auto inside = [&](const std::string& key) {
      return key == top || key.rfind(top + '\\', 0) == 0;
    };
    std::erase_if(keys_, inside);
    std::erase_if(values_, [&](const auto& entry) { return inside(entry.first.first); });
  }

 private:
  static constexpr SettingsKey kRoot = 1;

  bool PathOf(SettingsKey parent, const char* path, std::string* full) const {
    std::string base;
    if (parent != kRoot) {
      auto open = handles_.find(parent);
      if (open == handles_.end()) return false;
      base = open->second;
    }
    std::string tail = Folded(path);
    *full = base.empty() ? tail : (tail.empty() ? base : base + '\\' + tail);
    return true;
  }

  SettingsKey Issue(const std::string& path) {
    SettingsKey key = next_++;
    handles_[key] = path;
    return key;
  }

  std::mutex lock_;
  std::set<std::string> keys_;
  std::map<std::pair<std::string, std::string>, std::int32_t> values_;
  std::map<SettingsKey, std::string> handles_;
  SettingsKey next_ = 0x100;
};

MemoryStore& TheMemoryStore() {
  static MemoryStore store;
  return store;
}

}  // namespace

SettingsStore& UserSettingsStore() { return TheMemoryStore(); }

void DeleteUserSettingsForTesting(const char* path) { TheMemoryStore().DeleteTree(path); }

}  // namespace kelvo::platform
