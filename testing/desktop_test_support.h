// Test support for the desktop tweaks: registry roots made of test keys under HKEY_CURRENT_USER
// (deleted afterwards), and context-menu handlers registered in the test process, so that the
// registry scan creates real COM objects. Tests only.
#pragma once

#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tools/desktop_option.h"

namespace sorvik {
namespace testing {

// Deletes `path` under `root` with everything below it.
inline void DeleteKeyTree(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    char name[256];
    DWORD length = sizeof name;
    while (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS) {
      DeleteKeyTree(key, name);
      length = sizeof name;
    }
    RegCloseKey(key);
  }
  RegDeleteKeyA(root, path.c_str());
}

// Three empty keys standing for HKCR, HKCU and HKLM while the object lives.
class TestRegistry {
 public:
  TestRegistry() : path_("Software\\SorvikTests\\tweaks-" + std::to_string(GetCurrentProcessId())) {
    DeleteKeyTree(HKEY_CURRENT_USER, path_);
    roots.classes = Create(HKEY_CURRENT_USER, path_ + "\\classes");
    roots.user = Create(HKEY_CURRENT_USER, path_ + "\\user");
    roots.machine = Create(HKEY_CURRENT_USER, path_ + "\\machine");
  }
  ~TestRegistry() {
    RegCloseKey(roots.classes);
    RegCloseKey(roots.user);
    RegCloseKey(roots.machine);
    DeleteKeyTree(HKEY_CURRENT_USER, path_);
  }
  TestRegistry(const TestRegistry&) = delete;
  TestRegistry& operator=(const TestRegistry&) = delete;

  static HKEY Create(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
  }
  static void SetValue(HKEY root, const std::string& path, const char* name, DWORD type,
                       const std::string& bytes) {
    HKEY key = Create(root, path);
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
  }
  static void SetDword(HKEY root, const std::string& path, const char* name, DWORD value) {
    SetValue(root, path, name, REG_DWORD, std::string(reinterpret_cast<char*>(&value), 4));
  }
  // The value's type and bytes; false when it cannot be read.
  static bool Read(HKEY root, const std::string& path, const char* name, DWORD* type,
                   std::string* bytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char data[512];
    DWORD size = sizeof data;
    LONG result = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return false;
    bytes->assign(data, size);
    return true;
  }
  // The default value of `handler` under the handlers key, up to its terminating zero.
  std::string HandlerValue(const std::string& handler) const {
    DWORD type = 0;
    std::string bytes;
    Read(roots.classes, std::string(kContextMenuHandlersKey) + "\\" + handler, "", &type, &bytes);
    return bytes.c_str();
  }
  void SetHandler(const std::string& handler, const std::string& value) const {
    SetValue(roots.classes, std::string(kContextMenuHandlersKey) + "\\" + handler, "", REG_SZ,
             value + '\0');
  }

  DesktopRegistry roots;

 private:
  std::string path_;  // the test keys under HKEY_CURRENT_USER
};

// How a fake context-menu handler behaves.
struct FakeHandlerKind {
  std::vector<std::string> items;  // menu items it adds in order; "-" for a separator
  bool offers_init = true;         // answers for IShellExtInit
  bool init_succeeds = true;       // Initialize succeeds
};

// A context-menu handler object of a FakeHandlerKind.
class FakeHandler final : public IContextMenu, public IShellExtInit {
 public:
  explicit FakeHandler(const FakeHandlerKind* kind) : kind_(kind) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IContextMenu)
      *out = static_cast<IContextMenu*>(this);
    else if (iid == IID_IShellExtInit && kind_->offers_init)
      *out = static_cast<IShellExtInit*>(this);
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Initialize(LPCITEMIDLIST folder, IDataObject* data, HKEY key) override {
    (void)key;
    // The desktop's identifier list is the empty one; no data object is given.
    initialised_ = folder != nullptr && folder->mkid.cb == 0 && data == nullptr;
    return kind_->init_succeeds ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last,
                                             UINT flags) override {
    if (!initialised_ || first != 1 || last != 0x7FFF || flags != CMF_NORMAL) return E_FAIL;
    UINT added = 0;
    for (const std::string& item : kind_->items) {
      if (item == "-")
        InsertMenuA(menu, index + added, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
      else
        InsertMenuA(menu, index + added, MF_BYPOSITION | MF_STRING, first + added, item.c_str());
      ++added;
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, added);
  }
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    (void)info;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR command, UINT type, UINT* reserved,
                                             CHAR* name, UINT size) override {
    (void)command, (void)type, (void)reserved, (void)name, (void)size;
    return E_NOTIMPL;
  }

 private:
  const FakeHandlerKind* kind_;
  LONG references_ = 1;
  bool initialised_ = false;  // initialised for the desktop without a data object
};

// Registers a class object for `clsid` in this process while the object lives.
class FakeHandlerClass : public IClassFactory {
 public:
  FakeHandlerClass(const char* clsid, FakeHandlerKind kind) : kind_(std::move(kind)) {
    wchar_t wide[64] = {0};
    MultiByteToWideChar(CP_ACP, 0, clsid, -1, wide, 64);
    CLSIDFromString(wide, &clsid_);
    CoRegisterClassObject(clsid_, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
  }
  ~FakeHandlerClass() { CoRevokeClassObject(cookie_); }
  FakeHandlerClass(const FakeHandlerClass&) = delete;
  FakeHandlerClass& operator=(const FakeHandlerClass&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
    return *out != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives as long as the test
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* handler = new FakeHandler(&kind_);
    HRESULT result = handler->QueryInterface(iid, out);
    handler->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    (void)lock;
    return S_OK;
  }

 private:
  FakeHandlerKind kind_;
  CLSID clsid_ = {};
  DWORD cookie_ = 0;
};

}  // namespace testing
}  // namespace sorvik
