#include "tools/ps_system.h"

#include <oleauto.h>
#include <psapi.h>
#include <shldisp.h>
#include <tlhelp32.h>

#include <atomic>
#include <functional>
#include <memory>

#include "text/gbk_text.h"
#include "widgets/ansi_text.h"

namespace sorvik {
namespace {

constexpr ULONG kSystemHandleInformation = 16;
constexpr ULONG kObjectNameInformation = 1;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr size_t kHandleRecordSize = 16;
constexpr int kTableAttempts = 16;  // the table keeps growing: give up after this many reads
constexpr ULONG kNameBufferSize = 32;
constexpr USHORT kTransportNameBytes = 22;  // "\Device\Tcp", "\Device\Udp"
constexpr DWORD kDuplicateAccess = GENERIC_ALL | STANDARD_RIGHTS_ALL;
constexpr ULONG kQueryInformationCode = 0x210012;
constexpr ULONG kAddressQuery = 3;
constexpr size_t kQueryInputSize = 24;
constexpr size_t kQueryOutputSize = 52;
constexpr size_t kPortOffset = 12;
constexpr int kDescriptionColumn = 36;

void EnableDebugPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid))
    AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr);
  CloseHandle(token);
}

// Closes a handle when it goes.
struct HandleRef {
  explicit HandleRef(HANDLE value) : h(value) {}
  HandleRef(const HandleRef&) = delete;
  HandleRef& operator=(const HandleRef&) = delete;
  ~HandleRef() {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  bool Valid() const { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  HANDLE h;
};

// The local port of a transport device handle; 0 when the device does not answer.
uint16_t LocalPort(const NativeApi& api, HANDLE device) {
  HandleRef event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!event.Valid()) return 0;
  uint8_t input[kQueryInputSize] = {0};
  input[16] = static_cast<uint8_t>(kAddressQuery);
  uint8_t output[kQueryOutputSize] = {0};
  ULONG_PTR io_status[2] = {0, 0};
  const LONG status =
      api.deviceIoControlFile(device, event.h, nullptr, nullptr, io_status, kQueryInformationCode,
                              input, sizeof input, output, sizeof output);
  if (status != 0) return 0;
  // Network byte order.
  return static_cast<uint16_t>((output[kPortOffset] << 8) | output[kPortOffset + 1]);
}

// The object name information: a counted wide string; its text follows in the same buffer.
struct CountedName {
  USHORT length;  // in bytes
  USHORT maximum_length;
  const wchar_t* text;
};

// One scan running on its own thread; shared by the thread and the waiting caller.
struct ScanJob {
  explicit ScanJob(std::function<PortMap()> work)
      : scan(std::move(work)), done(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~ScanJob() { CloseHandle(done); }
  std::function<PortMap()> scan;
  HANDLE done;
  PortMap ports;
};

std::atomic<bool> scan_running{false};

DWORD WINAPI ScanThread(void* parameter) {
  std::unique_ptr<std::shared_ptr<ScanJob>> job(static_cast<std::shared_ptr<ScanJob>*>(parameter));
  (*job)->ports = (*job)->scan();
  SetEvent((*job)->done);
  scan_running = false;
  return 0;
}

// The FolderItem of `path` in `folder` as a variant, or VT_EMPTY.
VARIANT ItemVariant(Folder* folder, const std::string& name) {
  VARIANT item;
  VariantInit(&item);
  BSTR bstr_name = SysAllocString(AnsiToWide(name).c_str());
  FolderItem* folder_item = nullptr;
  if (SUCCEEDED(folder->ParseName(bstr_name, &folder_item)) && folder_item != nullptr) {
    item.vt = VT_DISPATCH;
    item.pdispVal = folder_item;
  }
  SysFreeString(bstr_name);
  return item;
}

std::string DetailOf(Folder* folder, const VARIANT& item) {
  BSTR text = nullptr;
  if (FAILED(folder->GetDetailsOf(item, kDescriptionColumn, &text)) || text == nullptr) return "";
  std::string narrow = WideToAnsi(std::wstring(text, SysStringLen(text)));
  SysFreeString(text);
  return narrow;
}

}  // namespace

NativeApi::NativeApi() {
  HMODULE ntdll = GetModuleHandleA("NTDLL.DLL");
  if (ntdll == nullptr) ntdll = LoadLibraryA("ntdll.dll");
  if (ntdll == nullptr) return;
  deviceIoControlFile = reinterpret_cast<DeviceIoControlFile>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDeviceIoControlFile")));
  queryObject = reinterpret_cast<QueryObject>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryObject")));
  querySystemInformation = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
  static std::atomic<bool> privilege_asked{false};
  if (Available() && !privilege_asked.exchange(true)) EnableDebugPrivilege();
}

bool SystemHandleProbe::ReadHandleTable(std::vector<HandleEntry>* out) {
  out->clear();
  if (!api_.Available()) return false;
  for (int attempt = 0; attempt < kTableAttempts; ++attempt) {
    uint8_t head[20] = {0};
    ULONG needed = 0;
    if (api_.querySystemInformation(kSystemHandleInformation, head, sizeof head, &needed) == 0)
      return true;  // a table that fits in the first buffer holds no ports worth a look
    uint32_t count = 0;
    memcpy(&count, head, sizeof count);
    // Wine leaves the count word at 0 and reports only the length the table needs.
    if (count == 0 && needed > 4) count = static_cast<uint32_t>((needed - 4) / kHandleRecordSize);
    std::vector<uint8_t> table(count * kHandleRecordSize + 4);
    const LONG status = api_.querySystemInformation(kSystemHandleInformation, table.data(),
                                                    static_cast<ULONG>(table.size()), nullptr);
    if (status == kStatusInfoLengthMismatch) continue;
    if (status != 0) return false;
    // The count of this read may be smaller than the first one's; never read past either.
    uint32_t read_count = 0;
    memcpy(&read_count, table.data(), sizeof read_count);
    *out = ParseHandleTable(table.data() + 4, std::min(count, read_count));
    return true;
  }
  return false;
}

bool SystemHandleProbe::ProbeHandle(const HandleEntry& entry, std::string* name, uint16_t* port) {
  HandleRef owner(OpenProcess(PROCESS_DUP_HANDLE, FALSE, entry.processId));
  if (!owner.Valid()) return false;
  HANDLE duplicate = nullptr;
  if (!DuplicateHandle(owner.h, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(entry.handle)),
                       GetCurrentProcess(), &duplicate, kDuplicateAccess, FALSE, 0)) {
    return false;
  }
  HandleRef copy(duplicate);
  // Object name information: a counted wide string and its text. Every name longer than the two
  // transport devices' overflows the buffer and fails here.
  alignas(8) uint8_t buffer[kNameBufferSize] = {0};
  if (api_.queryObject(copy.h, kObjectNameInformation, buffer, sizeof buffer, nullptr) != 0)
    return false;
  const CountedName* object_name = reinterpret_cast<const CountedName*>(buffer);
  if (object_name->length != kTransportNameBytes || object_name->text == nullptr) return false;
  *port = LocalPort(api_, copy.h);
  *name = WideToAnsi(std::wstring(object_name->text, object_name->length / 2));
  return true;
}

PortMap ScanOpenPortsBounded(DWORD limit_ms) {
  return RunPortScanBounded(
      [] {
        SystemHandleProbe probe;
        return ScanOpenPorts(&probe);
      },
      limit_ms);
}

PortMap RunPortScanBounded(std::function<PortMap()> scan, DWORD limit_ms) {
  if (scan_running.exchange(true)) return PortMap();
  auto job = std::make_shared<ScanJob>(std::move(scan));
  auto* parameter = new std::shared_ptr<ScanJob>(job);
  HANDLE thread = CreateThread(nullptr, 0, ScanThread, parameter, 0, nullptr);
  if (thread == nullptr) {
    delete parameter;
    scan_running = false;
    return PortMap();
  }
  CloseHandle(thread);
  if (WaitForSingleObject(job->done, limit_ms) != WAIT_OBJECT_0) return PortMap();
  return job->ports;
}

SystemProcessSource::~SystemProcessSource() {
  if (shell_ != nullptr) shell_->Release();
}

bool SystemProcessSource::Snapshot(std::vector<SnapshotEntry>* out) {
  out->clear();
  HandleRef snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.h, &entry); more;
       more = Process32Next(snapshot.h, &entry)) {
    out->push_back(SnapshotEntry{entry.th32ProcessID, entry.szExeFile, entry.cntThreads});
  }
  return true;
}

std::string SystemProcessSource::ImagePath(uint32_t process_id) {
  HandleRef process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id));
  if (!process.Valid()) return "";
  HMODULE first = nullptr;
  DWORD needed = 0;
  if (!EnumProcessModules(process.h, &first, sizeof first, &needed) || first == nullptr) return "";
  char path[512] = {0};
  if (GetModuleFileNameExA(process.h, first, path, sizeof path) == 0) return "";
  return path;
}

std::string SystemProcessSource::WindowsFolder() {
  char folder[MAX_PATH] = {0};
  const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? folder : "";
}

uint32_t SystemProcessSource::FileSize(const std::string& path) {
  HandleRef file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) return 0;
  const DWORD size = GetFileSize(file.h, nullptr);
  return size == INVALID_FILE_SIZE ? 0 : size;
}

uint32_t SystemProcessSource::WorkingSet(uint32_t process_id) {
  HandleRef process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, process_id));
  if (!process.Valid()) return 0;
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process.h, &counters, sizeof counters)) return 0;
  return static_cast<uint32_t>(counters.WorkingSetSize);
}

std::string SystemProcessSource::Description(const std::string& path) {
  if (shell_ == nullptr) {
    CLSID shell_class;
    if (FAILED(CLSIDFromProgID(L"Shell.Application", &shell_class))) return "";
    if (FAILED(CoCreateInstance(shell_class, nullptr, CLSCTX_INPROC_SERVER, IID_IShellDispatch,
                                reinterpret_cast<void**>(&shell_)))) {
      shell_ = nullptr;
      return "";
    }
  }
  VARIANT folder_path;
  VariantInit(&folder_path);
  folder_path.vt = VT_BSTR;
  folder_path.bstrVal = SysAllocString(AnsiToWide(GbkFolderOf(path)).c_str());
  Folder* folder = nullptr;
  const HRESULT opened = shell_->NameSpace(folder_path, &folder);
  VariantClear(&folder_path);
  if (FAILED(opened) || folder == nullptr) return "";
  VARIANT empty;
  VariantInit(&empty);
  const std::string heading = DetailOf(folder, empty);
  VARIANT item = ItemVariant(folder, GbkNameOf(path));
  const std::string value = item.vt == VT_DISPATCH ? DetailOf(folder, item) : "";
  VariantClear(&item);
  folder->Release();
  return heading.empty() || value.empty() ? "" : value;
}

bool SystemProcessSource::Modules(uint32_t process_id, std::vector<ModuleEntry>* out) {
  out->clear();
  HandleRef snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_id));
  if (!snapshot.Valid()) return false;
  MODULEENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snapshot.h, &entry); more;
       more = Module32Next(snapshot.h, &entry)) {
    out->push_back(ModuleEntry{
        entry.szExePath, static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(entry.modBaseAddr))});
  }
  return !out->empty();
}

bool SystemProcessSource::EndProcess(uint32_t process_id) {
  HandleRef process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process_id));
  if (!process.Valid()) return false;
  // A process that has already exited, kept by another program's handle, can still be opened;
  // ending it again ends nothing (and Wine reports success for it).
  if (WaitForSingleObject(process.h, 0) == WAIT_OBJECT_0) return false;
  return TerminateProcess(process.h, 0) != FALSE;
}

}  // namespace sorvik
