#include "tools/ps_data.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "text/gbk_text.h"

namespace sorvik {
namespace {

constexpr size_t kHandleRecordSize = 16;
constexpr char kDevicePrefix[] = "\\??\\";
constexpr char kSystemRoot[] = "\\SystemRoot\\";

uint16_t Read16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

int CompareText(const std::string& a, const std::string& b) {
  return _stricmp(a.c_str(), b.c_str());
}

template <typename T>
int CompareNumber(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

std::vector<HandleEntry> ParseHandleTable(const uint8_t* records, size_t count) {
  std::vector<HandleEntry> entries;
  entries.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* record = records + i * kHandleRecordSize;
    entries.push_back(HandleEntry{Read16(record), Read16(record + 6)});
  }
  return entries;
}

void AddPort(PortMap* ports, uint32_t process_id, PortEntry entry) {
  std::vector<PortEntry>& list = (*ports)[process_id];
  if (std::find(list.begin(), list.end(), entry) == list.end()) list.push_back(entry);
}

uint8_t ProtocolOfDeviceName(const std::string& name) {
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return upper.find("TCP") != std::string::npos ? kProtocolTcp : kProtocolUdp;
}

PortMap ScanOpenPorts(HandleProbe* probe) {
  PortMap ports;
  std::vector<HandleEntry> entries;
  if (!probe->ReadHandleTable(&entries)) return ports;
  for (const HandleEntry& entry : entries) {
    if (entry.processId == 0) continue;
    std::string name;
    uint16_t port = 0;
    if (!probe->ProbeHandle(entry, &name, &port) || port == 0) continue;
    AddPort(&ports, entry.processId, PortEntry{ProtocolOfDeviceName(name), port});
  }
  return ports;
}

std::string FormatPorts(const std::vector<PortEntry>& ports) {
  std::string text;
  for (const PortEntry& entry : ports) {
    char item[32];
    snprintf(item, sizeof item, "%s-%d ", entry.protocol == kProtocolTcp ? "TCP" : "UDP",
             entry.port);
    text += item;
  }
  return text;
}

std::string CleanImagePath(const std::string& raw, const std::string& windows_folder) {
  if (raw.empty()) return "SYSTEM";
  std::string path = raw;
  for (size_t at = path.find(kDevicePrefix); at != std::string::npos;
       at = path.find(kDevicePrefix, at)) {
    path.erase(at, sizeof kDevicePrefix - 1);
  }
  const size_t root_length = sizeof kSystemRoot - 1;
  if (path.compare(0, root_length, kSystemRoot) == 0)
    path = windows_folder + "\\" + path.substr(root_length);
  return path;
}

int EnumerateProcesses(ProcessSource* source, std::vector<ProcessInfo>* out) {
  out->clear();
  std::vector<SnapshotEntry> snapshot;
  if (!source->Snapshot(&snapshot)) return -1;
  const PortMap ports = source->OpenPorts();
  const std::string windows_folder = source->WindowsFolder();
  for (const SnapshotEntry& entry : snapshot) {
    ProcessInfo info;
    info.processId = entry.processId;
    info.name = entry.exeName;
    info.threadCount = entry.threadCount;
    info.path = CleanImagePath(source->ImagePath(entry.processId), windows_folder);
    info.fileSize = source->FileSize(info.path);
    info.memoryUse = source->WorkingSet(entry.processId);
    auto found = ports.find(entry.processId);
    if (found != ports.end()) info.ports = FormatPorts(found->second);
    // The idle and system processes have no image file to open; they are not listed.
    if (info.fileSize == 0) continue;
    info.description = source->Description(info.path);
    out->push_back(std::move(info));
  }
  return static_cast<int>(out->size());
}

void EnumerateModules(ProcessSource* source, uint32_t process_id, std::vector<ModuleInfo>* out) {
  out->clear();
  std::vector<ModuleEntry> modules;
  if (!source->Modules(process_id, &modules)) return;
  // The first module is the executable itself, which the process row already shows.
  for (size_t i = 1; i < modules.size(); ++i) {
    ModuleInfo info;
    info.path = modules[i].path;
    info.name = GbkNameOf(info.path);
    info.baseAddress = modules[i].baseAddress;
    info.fileSize = source->FileSize(info.path);
    info.description = source->Description(info.path);
    out->push_back(std::move(info));
  }
}

int CompareProcesses(const ProcessInfo& a, const ProcessInfo& b, int column) {
  switch (column) {
    case 0:
      return CompareText(a.name, b.name);
    case 1:
      return CompareText(a.description, b.description);
    case 2:
      return CompareNumber(a.fileSize, b.fileSize);
    case 3:
      return CompareText(a.ports, b.ports);
    case 4:
      return CompareNumber(a.threadCount, b.threadCount);
    case 5:
      return CompareNumber(a.memoryUse, b.memoryUse);
    case 6:
      return CompareText(a.path, b.path);
    default:
      return 0;
  }
}

int CompareModules(const ModuleInfo& a, const ModuleInfo& b, int column) {
  switch (column) {
    case 0:
      return CompareText(a.name, b.name);
    case 1:
      return CompareText(a.description, b.description);
    case 2:
      return CompareNumber(a.fileSize, b.fileSize);
    case 3:
      return CompareNumber(a.baseAddress, b.baseAddress);
    case 4:
      return CompareText(a.path, b.path);
    default:
      return 0;
  }
}

void SortState::Click(int clicked) {
  ascending = clicked == column ? !ascending : true;
  column = clicked;
}

}  // namespace sorvik
