// Test support for the process list: processes, files, modules and ports recorded in memory,
// and a handle table whose probes answer from a list. Tests only.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tools/ps_data.h"

namespace sorvik {
namespace testing {

class RecordedProcesses : public ProcessSource {
 public:
  bool snapshot_fails = false;
  std::vector<SnapshotEntry> snapshot;
  std::map<uint32_t, std::string> image_paths;  // raw, as the system reports them
  std::string windows_folder = "C:\\windows";
  std::map<std::string, uint32_t> file_sizes;
  std::map<uint32_t, uint32_t> working_sets;
  std::map<std::string, std::string> descriptions;
  std::map<uint32_t, std::vector<ModuleEntry>> modules;
  PortMap ports;
  std::set<uint32_t> endable;  // the processes EndProcess succeeds for
  std::vector<uint32_t> ended;

  bool Snapshot(std::vector<SnapshotEntry>* out) override {
    *out = snapshot;
    return !snapshot_fails;
  }
  std::string ImagePath(uint32_t id) override { return Find(image_paths, id, std::string()); }
  std::string WindowsFolder() override { return windows_folder; }
  uint32_t FileSize(const std::string& path) override { return Find(file_sizes, path, 0u); }
  uint32_t WorkingSet(uint32_t id) override { return Find(working_sets, id, 0u); }
  std::string Description(const std::string& path) override {
    return Find(descriptions, path, std::string());
  }
  bool Modules(uint32_t id, std::vector<ModuleEntry>* out) override {
    *out = Find(modules, id, std::vector<ModuleEntry>());
    return !out->empty();
  }
  PortMap OpenPorts() override { return ports; }
  bool EndProcess(uint32_t id) override {
    if (endable.count(id) == 0) return false;
    ended.push_back(id);
    endable.erase(id);
    return true;
  }

 private:
  template <typename Map, typename Value>
  static Value Find(const Map& map, const typename Map::key_type& key, Value fallback) {
    auto found = map.find(key);
    return found == map.end() ? fallback : found->second;
  }
};

// One handle of a recorded table and what probing it gives.
struct RecordedHandle {
  HandleEntry entry;
  bool answers;      // the probe succeeds
  std::string name;  // the object name
  uint16_t port;
};

class RecordedHandles : public HandleProbe {
 public:
  bool table_fails = false;
  std::vector<RecordedHandle> handles;
  std::vector<HandleEntry> probed;  // in order

  bool ReadHandleTable(std::vector<HandleEntry>* out) override {
    out->clear();
    for (const RecordedHandle& handle : handles) out->push_back(handle.entry);
    return !table_fails;
  }
  bool ProbeHandle(const HandleEntry& entry, std::string* name, uint16_t* port) override {
    probed.push_back(entry);
    for (const RecordedHandle& handle : handles) {
      if (handle.entry.processId != entry.processId || handle.entry.handle != entry.handle)
        continue;
      *name = handle.name;
      *port = handle.port;
      return handle.answers;
    }
    return false;
  }
};

}  // namespace testing
}  // namespace sorvik
