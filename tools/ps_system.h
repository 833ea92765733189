// The system's side of the process list: the process and module snapshots, the image files, the
// working sets, the shell's descriptions, ending a process, and the open-port scan over the
// system handle table through the native functions.
#pragma once

#include <windows.h>

#include <functional>

#include "tools/ps_data.h"

struct IShellDispatch;

namespace sorvik {

// NtDeviceIoControlFile, NtQueryObject and NtQuerySystemInformation from the loaded "NTDLL.DLL"
// (loaded as "ntdll.dll" when it is not). The first time all three are found in a run of the
// program, the debug privilege is enabled for the process (failure is ignored).
struct NativeApi {
  using DeviceIoControlFile = LONG(WINAPI*)(HANDLE file, HANDLE event, PVOID apc, PVOID context,
                                            PVOID io_status, ULONG code, PVOID input,
                                            ULONG input_length, PVOID output, ULONG output_length);
  using QueryObject = LONG(WINAPI*)(HANDLE object, ULONG kind, PVOID info, ULONG length,
                                    PULONG returned);
  using QuerySystemInformation = LONG(WINAPI*)(ULONG kind, PVOID info, ULONG length,
                                               PULONG returned);

  NativeApi();
  // All three were found: the scan can run.
  bool Available() const { return deviceIoControlFile && queryObject && querySystemInformation; }

  DeviceIoControlFile deviceIoControlFile = nullptr;
  QueryObject queryObject = nullptr;
  QuerySystemInformation querySystemInformation = nullptr;
};

// The handle table and the transport devices' addresses through NativeApi.
class SystemHandleProbe : public HandleProbe {
 public:
  bool ReadHandleTable(std::vector<HandleEntry>* out) override;
  bool ProbeHandle(const HandleEntry& entry, std::string* name, uint16_t* port) override;

 private:
  NativeApi api_;
};

// The longest the list waits for the port scan. Asking a handle for its name can block for good
// (a pipe with a read pending); the scan runs on a thread of its own, and when it has not ended
// in time the list shows no ports and the next fill starts no new scan until it has ended.
constexpr DWORD kPortScanLimitMs = 3000;

// The scan of SystemHandleProbe on its own thread, waited for at most `limit_ms`; an empty map
// when it has not ended by then or a previous scan is still running.
PortMap ScanOpenPortsBounded(DWORD limit_ms = kPortScanLimitMs);
// `scan` on a thread of its own, as above; the thread keeps what `scan` holds until it ends.
PortMap RunPortScanBounded(std::function<PortMap()> scan, DWORD limit_ms);

class SystemProcessSource : public ProcessSource {
 public:
  SystemProcessSource() = default;
  ~SystemProcessSource() override;
  SystemProcessSource(const SystemProcessSource&) = delete;
  SystemProcessSource& operator=(const SystemProcessSource&) = delete;

  bool Snapshot(std::vector<SnapshotEntry>* out) override;
  std::string ImagePath(uint32_t process_id) override;
  std::string WindowsFolder() override;
  uint32_t FileSize(const std::string& path) override;
  uint32_t WorkingSet(uint32_t process_id) override;
  // Detail column 36 of "Shell.Application" for the file, when both its heading and its value
  // are not empty. REQUIRES: COM initialised on the calling thread.
  std::string Description(const std::string& path) override;
  bool Modules(uint32_t process_id, std::vector<ModuleEntry>* out) override;
  PortMap OpenPorts() override { return ScanOpenPortsBounded(); }
  bool EndProcess(uint32_t process_id) override;

 private:
  IShellDispatch* shell_ = nullptr;  // the automation object, made on first use
};

}  // namespace sorvik
