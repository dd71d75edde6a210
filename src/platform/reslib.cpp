// Resource libraries loaded with dlopen: the name rule, the folder search, the handle table with
// its reference counts, and the copies of texts and bitmaps taken from each library's table.
#include "platform/reslib.h"

#include <dlfcn.h>

#include <QImage>
#include <map>
#include <memory>
#include <mutex>

#include "platform/files.h"
#include "platform/gdi.h"
#include "platform/resources.h"
#include "platform/trace.h"
#include "platform/winapp.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

// What a loaded library holds, copied out of its table when it was loaded.
struct Library {
  void* dl = nullptr;
  CString path;
  int refs = 0;
  bool hasStrings = false;
  std::map<UINT, std::u16string> strings;
  std::map<UINT, std::string> bitmaps;
};

struct Modules {
  std::mutex mu;
  std::map<uintptr_t, std::shared_ptr<Library>> byHandle;
  std::map<void*, uintptr_t> byDl;
  uintptr_t next = 0x10000000u;  // handles are never reused
  CString folderOverride;
};

Modules& M() {
  static Modules* m = new Modules;
  return *m;
}

uintptr_t Key(HINSTANCE h) { return reinterpret_cast<uintptr_t>(h); }

std::shared_ptr<Library> Find(HINSTANCE h) {
  Modules& m = M();
  std::lock_guard<std::mutex> lock(m.mu);
  auto it = m.byHandle.find(Key(h));
  return it == m.byHandle.end() ? nullptr : it->second;
}

bool IsProgramHandle(HINSTANCE h) { return h != nullptr && h == AfxGetInstanceHandle(); }

// Copies a library's table into lib; false with the reason when the table is missing or unsound.
bool ReadTable(void* dl, Library& lib, const char*& why) {
  dlerror();
  void* sym = dlsym(dl, PLATFORM_RESOURCE_TABLE_SYMBOL);
  if (sym == nullptr) {
    why = "no resource table";
    return false;
  }
  auto fn = reinterpret_cast<PlatformResourceTableFunction>(sym);
  const PlatformResourceTable* t = fn();
  if (t == nullptr || t->magic != PLATFORM_RESOURCE_TABLE_MAGIC) {
    why = "not a resource table";
    return false;
  }
  if (t->version != PLATFORM_RESOURCE_TABLE_VERSION) {
    why = "unknown resource table version";
    return false;
  }
  if (t->stringCount > PLATFORM_RESOURCE_MAX_ENTRIES || t->bitmapCount > PLATFORM_RESOURCE_MAX_ENTRIES ||
      (t->stringCount > 0 && t->strings == nullptr) || (t->bitmapCount > 0 && t->bitmaps == nullptr)) {
    why = "bad entry list";
    return false;
  }
  for (uint32_t i = 0; i < t->stringCount; ++i) {
    const PlatformResourceString& s = t->strings[i];
    if (s.length > PLATFORM_RESOURCE_MAX_TEXT_UNITS || (s.length > 0 && s.text == nullptr)) {
      why = "bad text entry";
      return false;
    }
  }
  for (uint32_t i = 0; i < t->bitmapCount; ++i) {
    const PlatformResourceBitmap& b = t->bitmaps[i];
    if (b.size > PLATFORM_RESOURCE_MAX_BITMAP_BYTES || (b.size > 0 && b.bytes == nullptr)) {
      why = "bad bitmap entry";
      return false;
    }
  }
  lib.hasStrings = t->stringCount > 0;
  for (uint32_t i = 0; i < t->stringCount; ++i) {  // the first entry of a number wins
    const PlatformResourceString& s = t->strings[i];
    lib.strings.emplace(s.id, s.length > 0 ? std::u16string(s.text, s.length) : std::u16string());
  }
  for (uint32_t i = 0; i < t->bitmapCount; ++i) {
    const PlatformResourceBitmap& b = t->bitmaps[i];
    lib.bitmaps.emplace(b.id, b.size > 0 ? std::string(reinterpret_cast<const char*>(b.bytes), b.size) : std::string());
  }
  return true;
}

bool HasFolder(const CString& name) { return name.Find(L'/') >= 0 || name.Find(L'\\') >= 0; }

// dlopen of the file a name stands for; null with the last error set.
void* OpenFile(const CString& fileName, CString& path) {
  const CString mapped = platform::MapLibraryFileName(fileName);
  if (!HasFolder(fileName)) {
    CString folder;
    {
      std::lock_guard<std::mutex> lock(M().mu);
      folder = M().folderOverride;
    }
    if (folder.IsEmpty()) folder = platform::GetProgramFolder();
    const CString candidate = platform::JoinPath(folder, mapped);
    if (!folder.IsEmpty() && platform::FileSize(candidate) >= 0) {
      path = candidate;
      void* dl = dlopen(candidate.ToUtf8().c_str(), RTLD_NOW | RTLD_LOCAL);
      if (dl == nullptr) {
        platform::TraceFormat("LoadLibrary: %s", dlerror());  // names the file
        SetLastError(ERROR_BAD_EXE_FORMAT);
      }
      return dl;
    }
    path = mapped;
    void* dl = dlopen(mapped.ToUtf8().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (dl == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
    return dl;
  }
  path = mapped;
  if (platform::FileSize(mapped) < 0) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  void* dl = dlopen(mapped.ToUtf8().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (dl == nullptr) {
    platform::TraceFormat("LoadLibrary: %s", dlerror());  // names the file
    SetLastError(ERROR_BAD_EXE_FORMAT);
  }
  return dl;
}

}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }

HINSTANCE LoadLibrary(const CString& fileName) {
  if (fileName.IsEmpty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  CString path;
  void* dl = OpenFile(fileName, path);
  if (dl == nullptr) return nullptr;

  Modules& m = M();
  std::unique_lock<std::mutex> lock(m.mu);
  auto known = m.byDl.find(dl);
  if (known != m.byDl.end()) {
    ++m.byHandle[known->second]->refs;  // this load's dlopen reference is dropped by its FreeLibrary
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HINSTANCE>(known->second);
  }
  auto lib = std::make_shared<Library>();
  const char* why = "";
  if (!ReadTable(dl, *lib, why)) {
    lock.unlock();
    platform::TraceFormat("LoadLibrary: %s: %s", path, why);
    dlclose(dl);
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  lib->dl = dl;
  lib->path = path;
  lib->refs = 1;
  const uintptr_t handle = m.next;
  m.next += 0x1000;
  m.byHandle[handle] = lib;
  m.byDl[dl] = handle;
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HINSTANCE>(handle);
}

BOOL FreeLibrary(HINSTANCE hModule) {
  Modules& m = M();
  void* dl = nullptr;
  {
    std::lock_guard<std::mutex> lock(m.mu);
    auto it = m.byHandle.find(Key(hModule));
    if (it == m.byHandle.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    dl = it->second->dl;
    if (--it->second->refs == 0) {
      m.byDl.erase(dl);
      m.byHandle.erase(it);  // the copies stay alive with whoever still reads them
    }
  }
  dlclose(dl);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

int LoadString(HINSTANCE hInstance, UINT id, CString& out, int maxChars) {
  out.Empty();
  if (maxChars < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  CString text;
  if (IsProgramHandle(hInstance)) {
    if (!text.LoadString(id)) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return 0;
    }
  } else {
    std::shared_ptr<Library> lib = Find(hInstance);
    if (!lib) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    auto it = lib->strings.find(id);
    if (it == lib->strings.end()) {
      SetLastError(lib->hasStrings ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
      return 0;
    }
    text = CString(QString::fromUtf16(it->second.data(), static_cast<qsizetype>(it->second.size())));
  }
  if (text.IsEmpty()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  if (maxChars > 0 && text.GetLength() > maxChars - 1) text = text.Left(maxChars - 1);
  out = text;
  SetLastError(ERROR_SUCCESS);
  return out.GetLength();
}

HBITMAP LoadBitmapFrom(HINSTANCE hInstance, UINT id) {
  QImage image;
  if (IsProgramHandle(hInstance)) {
    if (!platform::FindBitmapResource(id, image)) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
  } else {
    std::shared_ptr<Library> lib = Find(hInstance);
    if (!lib) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    auto it = lib->bitmaps.find(id);
    if (it == lib->bitmaps.end()) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    const std::string& bytes = it->second;
    image = platform::DecodeBitmapFile(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (image.isNull()) {
      SetLastError(ERROR_INVALID_DATA);
      return nullptr;
    }
  }
  HBITMAP bitmap = platform::HBitmapFromImage(image);
  SetLastError(bitmap != nullptr ? ERROR_SUCCESS : ERROR_INVALID_DATA);
  return bitmap;
}

namespace platform {

bool GetBitmapResourceBytes(HINSTANCE hInstance, UINT id, std::string& bytes) {
  bytes.clear();
  std::shared_ptr<Library> lib = Find(hInstance);
  if (!lib) return false;
  auto it = lib->bitmaps.find(id);
  if (it == lib->bitmaps.end()) return false;
  bytes = it->second;
  return true;
}

void SetLibraryFolder(const CString& folder) {
  std::lock_guard<std::mutex> lock(M().mu);
  M().folderOverride = NativePath(folder);
}

CString MapLibraryFileName(const CString& fileName) {
  const CString name = NativePath(fileName);
  const CString base = name.Mid(name.ReverseFind(L'/') + 1);
  const int dot = base.ReverseFind(L'.');
  if (dot < 0) return name + L".so";
  if (base.Mid(dot).CompareNoCase(CString(L".dll")) == 0) return name.Left(name.GetLength() - 4) + L".so";
  return name;
}

}  // namespace platform
