// Test stand-in for the Shockwave Flash control: an in-process COM server with the control's class
// id whose FlashVersion answers FLASH_MAJOR << 16. It implements IDispatch and the dual
// IShockwaveFlash vtable up to FlashVersion (slot 39); every other member answers E_NOTIMPL. One
// source builds several variants that differ in FLASH_MAJOR and in their version resource.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <atomic>
#include <string>

#ifndef FLASH_MAJOR
#error FLASH_MAJOR must be defined
#endif

namespace {

const CLSID clsidShockwaveFlash = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID iidShockwaveFlash = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const char* const clsidText = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";
const char* const progId = "ShockwaveFlash.ShockwaveFlash";
constexpr DISPID dispidFlashVersion = 0x84;
constexpr long flashVersion = static_cast<long>(FLASH_MAJOR) << 16;

HMODULE thisModule = nullptr;
std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

// The IShockwaveFlash members in vtable order (slots 7..39, after IUnknown and IDispatch). The
// signatures must be exact: on i686 the callee pops its arguments.
class FlashControl final : public IDispatch {
 public:
  FlashControl() { ++liveObjects; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, iidShockwaveFlash)) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) {
      --liveObjects;
      delete this;
    }
    return left;
  }

  // IDispatch, without a type library.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1) return DISP_E_UNKNOWNNAME;
    if (lstrcmpiW(names[0], L"FlashVersion") != 0) {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    ids[0] = dispidFlashVersion;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (id != dispidFlashVersion) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (parameters && parameters->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (!result) return E_POINTER;
    VariantInit(result);
    result->vt = VT_I4;
    result->lVal = flashVersion;
    return S_OK;
  }

  // IShockwaveFlash
  virtual HRESULT STDMETHODCALLTYPE get_ReadyState(long*) { return E_NOTIMPL; }       // 7
  virtual HRESULT STDMETHODCALLTYPE get_TotalFrames(long*) { return E_NOTIMPL; }      // 8
  virtual HRESULT STDMETHODCALLTYPE get_Playing(VARIANT_BOOL*) { return E_NOTIMPL; }  // 9
  virtual HRESULT STDMETHODCALLTYPE put_Playing(VARIANT_BOOL) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE get_Quality(int*) { return E_NOTIMPL; }  // 11
  virtual HRESULT STDMETHODCALLTYPE put_Quality(int) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE get_ScaleMode(int*) { return E_NOTIMPL; }  // 13
  virtual HRESULT STDMETHODCALLTYPE put_ScaleMode(int) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE get_AlignMode(int*) { return E_NOTIMPL; }  // 15
  virtual HRESULT STDMETHODCALLTYPE put_AlignMode(int) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE get_BackgroundColor(long*) { return E_NOTIMPL; }  // 17
  virtual HRESULT STDMETHODCALLTYPE put_BackgroundColor(long) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE get_Loop(VARIANT_BOOL*) { return E_NOTIMPL; }  // 19
  virtual HRESULT STDMETHODCALLTYPE put_Loop(VARIANT_BOOL) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE get_Movie(BSTR*) { return E_NOTIMPL; }  // 21
  virtual HRESULT STDMETHODCALLTYPE put_Movie(BSTR) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE get_FrameNum(long*) { return E_NOTIMPL; }  // 23
  virtual HRESULT STDMETHODCALLTYPE put_FrameNum(long) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE SetZoomRect(long, long, long, long) { return E_NOTIMPL; }  // 25
  virtual HRESULT STDMETHODCALLTYPE Zoom(int) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE Pan(long, long, int) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE Play() { return E_NOTIMPL; }  // 28
  virtual HRESULT STDMETHODCALLTYPE Stop() { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE Back() { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE Forward() { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE Rewind() { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE StopPlay() { return E_NOTIMPL; }       // 33
  virtual HRESULT STDMETHODCALLTYPE GotoFrame(long) { return E_NOTIMPL; }  // 34
  virtual HRESULT STDMETHODCALLTYPE CurrentFrame(long*) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE IsPlaying(VARIANT_BOOL*) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE PercentLoaded(long*) { return E_NOTIMPL; }
  virtual HRESULT STDMETHODCALLTYPE FrameLoaded(long, VARIANT_BOOL*) { return E_NOTIMPL; }  // 38
  virtual HRESULT STDMETHODCALLTYPE FlashVersion(long* version) {                           // 39
    if (!version) return E_POINTER;
    *version = flashVersion;
    return S_OK;
  }

 private:
  std::atomic<ULONG> references_{1};
};

class ClassFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is static: its lifetime is the module's.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    FlashControl* control = new FlashControl;
    HRESULT status = control->QueryInterface(riid, object);
    control->Release();
    return status;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++serverLocks;
    } else {
      --serverLocks;
    }
    return S_OK;
  }
};

ClassFactory classFactory;

bool setValue(const std::string& key, const char* name, const std::string& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  LONG status = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

// RegDeleteKeyA removes only keys without subkeys on the NT family.
void deleteTree(HKEY parent, const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(parent, key.c_str(), 0, KEY_READ | KEY_WRITE, &handle) != ERROR_SUCCESS) return;
  char name[256];
  for (;;) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(handle, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    std::string child(name, length);
    deleteTree(handle, child);
    // A subkey that stays would make this loop run for ever.
    HKEY check = nullptr;
    if (RegOpenKeyExA(handle, child.c_str(), 0, KEY_READ, &check) == ERROR_SUCCESS) {
      RegCloseKey(check);
      break;
    }
  }
  RegCloseKey(handle);
  RegDeleteKeyA(parent, key.c_str());
}

std::string modulePath() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(thisModule, path, MAX_PATH);
  return std::string(path, length);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    thisModule = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid,
                                                                          LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, clsidShockwaveFlash)) return CLASS_E_CLASSNOTAVAILABLE;
  return classFactory.QueryInterface(riid, object);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
  const std::string classKey = std::string("CLSID\\") + clsidText;
  const std::string versionedProgId = std::string(progId) + "." + std::to_string(FLASH_MAJOR);
  bool ok = setValue(classKey, nullptr, "Shockwave Flash Object") &&
            setValue(classKey + "\\InprocServer32", nullptr, modulePath()) &&
            setValue(classKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
            setValue(classKey + "\\ProgID", nullptr, versionedProgId) &&
            setValue(classKey + "\\VersionIndependentProgID", nullptr, progId) &&
            setValue(std::string(progId), nullptr, "Shockwave Flash Object") &&
            setValue(std::string(progId) + "\\CLSID", nullptr, clsidText) &&
            setValue(std::string(progId) + "\\CurVer", nullptr, versionedProgId) &&
            setValue(versionedProgId, nullptr, "Shockwave Flash Object") &&
            setValue(versionedProgId + "\\CLSID", nullptr, clsidText);
  return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
  deleteTree(HKEY_CLASSES_ROOT, std::string("CLSID\\") + clsidText);
  deleteTree(HKEY_CLASSES_ROOT, std::string(progId) + "." + std::to_string(FLASH_MAJOR));
  deleteTree(HKEY_CLASSES_ROOT, progId);
  return S_OK;
}
