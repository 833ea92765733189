// The data behind the process list: the rows of both lists, how they are gathered from a
// ProcessSource (the system's, or recorded data in tests), the open-port scan over a handle
// table, the ports text, image paths as the kernel reports them, and the lists' sort orders.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sorvik {

constexpr uint8_t kProtocolTcp = 1;
constexpr uint8_t kProtocolUdp = 2;

struct ModuleInfo {
  std::string name;  // the file-name part of path
  std::string path;
  uint32_t baseAddress = 0;
  uint32_t fileSize = 0;  // 0 when the file cannot be opened
  std::string description;
};

struct ProcessInfo {
  uint32_t processId = 0;
  std::string name;  // the executable's file name, as the snapshot gives it
  std::string path;  // the image file
  uint32_t fileSize = 0;
  uint32_t threadCount = 0;
  uint32_t memoryUse = 0;  // working set in bytes, 0 when it cannot be read
  std::string description;
  std::string ports;                // "TCP-80 UDP-137 "
  std::vector<ModuleInfo> modules;  // left empty by the process enumeration
};

struct PortEntry {
  uint8_t protocol = 0;  // kProtocolTcp or kProtocolUdp
  uint16_t port = 0;     // host byte order
  bool operator==(const PortEntry& other) const {
    return protocol == other.protocol && port == other.port;
  }
};

// Process id -> that process's distinct ports in the order they were found.
using PortMap = std::map<uint32_t, std::vector<PortEntry>>;

// One entry of the system handle table: the owner and the handle value.
struct HandleEntry {
  uint32_t processId = 0;
  uint16_t handle = 0;
};

// One process of the system's snapshot.
struct SnapshotEntry {
  uint32_t processId = 0;
  std::string exeName;
  uint32_t threadCount = 0;
};

// One module of a process's module snapshot; the first is the executable itself.
struct ModuleEntry {
  std::string path;
  uint32_t baseAddress = 0;
};

// Where the lists' data comes from.
class ProcessSource {
 public:
  virtual ~ProcessSource() = default;
  // The running processes; false when no snapshot can be taken.
  virtual bool Snapshot(std::vector<SnapshotEntry>* out) = 0;
  // The image path of a process as the system reports it; empty when it cannot be read.
  virtual std::string ImagePath(uint32_t process_id) = 0;
  virtual std::string WindowsFolder() = 0;
  // The low 32 bits of the file's size; 0 when it cannot be opened.
  virtual uint32_t FileSize(const std::string& path) = 0;
  virtual uint32_t WorkingSet(uint32_t process_id) = 0;
  // The shell's description of the file; empty when it has none.
  virtual std::string Description(const std::string& path) = 0;
  // The process's modules in snapshot order, the executable first; false when none.
  virtual bool Modules(uint32_t process_id, std::vector<ModuleEntry>* out) = 0;
  // The open TCP and UDP ports of every process.
  virtual PortMap OpenPorts() = 0;
  // Ends the process with exit code 0; false when it cannot be opened or ended.
  virtual bool EndProcess(uint32_t process_id) = 0;
};

// Reads the system handle table and looks at one handle. The system's is in ps_system.
class HandleProbe {
 public:
  virtual ~HandleProbe() = default;
  // The table's entries; false when it cannot be read.
  virtual bool ReadHandleTable(std::vector<HandleEntry>* out) = 0;
  // The handle's object name (11 wide characters, as "\Device\Tcp") converted to the ANSI code
  // page and its local port; false when the handle is not a transport device or cannot be
  // opened, duplicated or queried.
  virtual bool ProbeHandle(const HandleEntry& entry, std::string* name, uint16_t* port) = 0;
};

// The entries of a handle table: `count` records of 16 bytes, the owner in the first 16 bits,
// the handle value in the 16 bits at byte 6.
std::vector<HandleEntry> ParseHandleTable(const uint8_t* records, size_t count);

// Adds (protocol, port) to the process's list unless the pair is already there.
void AddPort(PortMap* ports, uint32_t process_id, PortEntry entry);

// TCP when the upper-cased name contains "TCP", else UDP.
uint8_t ProtocolOfDeviceName(const std::string& name);

// Every handle of a process other than 0 whose probe gives a port other than 0.
PortMap ScanOpenPorts(HandleProbe* probe);

// "TCP-80 UDP-137 ": each entry with a trailing blank.
std::string FormatPorts(const std::vector<PortEntry>& ports);

// The path with every "\??\" removed and a leading "\SystemRoot\" replaced by the Windows folder
// and a backslash; "SYSTEM" when `raw` is empty.
std::string CleanImagePath(const std::string& raw, const std::string& windows_folder);

// The listed processes: those whose image file can be opened and is not empty. -1 (and an
// empty list) when no snapshot can be taken, else the count.
int EnumerateProcesses(ProcessSource* source, std::vector<ProcessInfo>* out);

// The modules of a process without the executable itself.
void EnumerateModules(ProcessSource* source, uint32_t process_id, std::vector<ModuleInfo>* out);

// Compares two rows by a column of the process list (0 name .. 6 path) or the module list (0
// name .. 4 path): negative, 0 or positive. Texts compare without regard to letter case,
// sizes, counts and addresses as numbers.
int CompareProcesses(const ProcessInfo& a, const ProcessInfo& b, int column);
int CompareModules(const ModuleInfo& a, const ModuleInfo& b, int column);

// The sort state of one list: a click on a new column sorts ascending, a second click on the
// same column reverses the direction.
struct SortState {
  int column = -1;  // -1: unsorted
  bool ascending = true;
  void Click(int clicked);
};

}  // namespace sorvik
