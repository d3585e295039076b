// qlsoak: one sample of what a running program holds, for the soak benchmark.
//
//   qlsoak <program.exe>
//   -> pid=<n> handles=<n> handles_by=<how> gdi=<n> gdi_by=<how> user=<n> user_by=<how>
//      windows=<n> private=<bytes> pagefile=<bytes>
//
// handles  kernel object handles: GetProcessHandleCount where it answers, else the handles
//          owned by the process in NtQuerySystemInformation(SystemHandleInformation), else
//          its HandleCount in SystemProcessInformation (under Wine that is the size of its
//          handle table, which grows by doubling, so a last resort).
// gdi      GDI objects: GetGuiResources(GR_GDIOBJECTS) where it answers; where it is a stub
//          that returns 0 (as under Wine) the used entries of the process's own GDI handle
//          table, found through the GdiSharedHandleTable field of its PEB and read with
//          ReadProcessMemory (stock objects included, so the figure never reaches 0).
// user     USER objects: GetGuiResources(GR_USEROBJECTS) where it answers; else the windows
//          the process owns, top-level and children, counted by enumeration (menus, icons
//          and cursors are then not counted).
// windows  the windows the process owns, always counted by enumeration.
// private  committed private memory: the sum of the MEM_COMMIT, MEM_PRIVATE regions of its
//          address space (VirtualQueryEx), which is what "private bytes" means.
// pagefile PagefileUsage of GetProcessMemoryInfo, or -1 where psapi.dll is not there.
//
// Exit 0 with a sample, 1 when no such program runs or it cannot be opened, 2 usage.
// Every function newer than Windows NT 4.0 is looked up at run time.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// What the system headers of this target leave out, in the layouts of a 32-bit process.
constexpr DWORD kGrGdiObjects = 0;
constexpr DWORD kGrUserObjects = 1;
constexpr ULONG kProcessBasicInformation = 0;
constexpr ULONG kSystemProcessInformation = 5;
constexpr ULONG kSystemHandleInformation = 16;
constexpr DWORD kHandleEntrySize = 16;  // owner pid, type, flags, value, object, access
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr DWORD kPebGdiSharedHandleTable = 0x94;
constexpr DWORD kGdiEntrySize = 24;  // Object (8), Owner (4), Unique (2), Type, Flags, User (8)
constexpr DWORD kGdiEntryTypeOffset = 14;
constexpr DWORD kGdiMaxEntries = 0x10000;
constexpr DWORD kSpiNextEntry = 0;
constexpr DWORD kSpiProcessId = 68;
constexpr DWORD kSpiHandleCount = 76;

struct BasicInformation {
  LONG exit_status;
  void* peb;
  ULONG_PTR affinity;
  LONG base_priority;
  ULONG_PTR process_id;
  ULONG_PTR parent_id;
};

struct MemoryCounters {
  DWORD cb;
  DWORD page_fault_count;
  SIZE_T peak_working_set, working_set, quota_peak_paged, quota_paged, quota_peak_nonpaged,
      quota_nonpaged, pagefile, peak_pagefile;
};

using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
using GetProcessHandleCountFn = BOOL(WINAPI*)(HANDLE, DWORD*);
using GetGuiResourcesFn = DWORD(WINAPI*)(HANDLE, DWORD);
using GetProcessMemoryInfoFn = BOOL(WINAPI*)(HANDLE, MemoryCounters*, DWORD);

template <typename Fn>
Fn Lookup(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  if (handle == nullptr) handle = LoadLibraryA(module);
  if (handle == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

DWORD Read32(const BYTE* at) {
  DWORD value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// A list of NtQuerySystemInformation, grown until it fits.
bool SystemList(ULONG what, std::vector<BYTE>* list) {
  auto query = Lookup<NtQuerySystemInformationFn>("ntdll.dll", "NtQuerySystemInformation");
  if (query == nullptr) return false;
  list->assign(64 * 1024, 0);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const LONG status = query(what, list->data(), static_cast<ULONG>(list->size()), &needed);
    if (status == 0) return true;
    if (status != kStatusInfoLengthMismatch) return false;
    list->assign(list->size() * 2 > needed ? list->size() * 2 : needed + 4096, 0);
  }
  return false;
}

// Walks the process list; the callback sees each entry and its size bound.
template <typename Visit>
void ForEachProcess(const std::vector<BYTE>& list, Visit visit) {
  size_t at = 0;
  while (at + kSpiHandleCount + 4 <= list.size()) {
    visit(list.data() + at);
    const DWORD next = Read32(list.data() + at + kSpiNextEntry);
    if (next == 0) break;
    at += next;
  }
}

// The process id of a running program, by its file name, from the snapshot functions.
DWORD FindProcess(const char* name) {
  using CreateSnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
  struct Entry {
    DWORD size, usage, process_id;
    ULONG_PTR heap_id;
    DWORD module_id, threads, parent_id;
    LONG priority;
    DWORD flags;
    char exe[MAX_PATH];
  };
  using WalkFn = BOOL(WINAPI*)(HANDLE, Entry*);
  auto snapshot = Lookup<CreateSnapshotFn>("kernel32.dll", "CreateToolhelp32Snapshot");
  auto first = Lookup<WalkFn>("kernel32.dll", "Process32First");
  auto next = Lookup<WalkFn>("kernel32.dll", "Process32Next");
  if (snapshot == nullptr || first == nullptr || next == nullptr) return 0;
  HANDLE list = snapshot(2 /* TH32CS_SNAPPROCESS */, 0);
  if (list == INVALID_HANDLE_VALUE) return 0;
  Entry entry{};
  entry.size = sizeof entry;
  DWORD found = 0;
  for (BOOL more = first(list, &entry); more; more = next(list, &entry)) {
    const char* base = std::strrchr(entry.exe, '\\');
    base = base != nullptr ? base + 1 : entry.exe;
    if (lstrcmpiA(base, name) == 0) {
      found = entry.process_id;
      break;
    }
  }
  CloseHandle(list);
  return found;
}

long HandleCount(HANDLE process, DWORD pid, const char** how) {
  auto count = Lookup<GetProcessHandleCountFn>("kernel32.dll", "GetProcessHandleCount");
  DWORD handles = 0;
  if (count != nullptr && count(process, &handles) && handles != 0) {
    *how = "GetProcessHandleCount";
    return static_cast<long>(handles);
  }
  std::vector<BYTE> list;
  if (SystemList(kSystemHandleInformation, &list) && list.size() >= 4) {
    const DWORD entries = Read32(list.data());
    long owned = 0;
    for (DWORD i = 0; i < entries && 4 + (i + 1) * kHandleEntrySize <= list.size(); ++i) {
      if (Read32(list.data() + 4 + i * kHandleEntrySize) == pid) ++owned;
    }
    if (owned > 0) {
      *how = "SystemHandleInformation";
      return owned;
    }
  }
  long found = -1;
  if (SystemList(kSystemProcessInformation, &list)) {
    ForEachProcess(list, [&](const BYTE* entry) {
      if (Read32(entry + kSpiProcessId) == pid)
        found = static_cast<long>(Read32(entry + kSpiHandleCount));
    });
  }
  *how = "SystemProcessInformation";
  return found;
}

// Used entries of the process's own GDI handle table; -1 when it cannot be read.
long GdiTableCount(HANDLE process) {
  auto query = Lookup<NtQueryInformationProcessFn>("ntdll.dll", "NtQueryInformationProcess");
  BasicInformation basic{};
  if (query == nullptr ||
      query(process, kProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
      basic.peb == nullptr) {
    return -1;
  }
  DWORD table = 0;
  SIZE_T got = 0;
  if (!ReadProcessMemory(process, static_cast<BYTE*>(basic.peb) + kPebGdiSharedHandleTable, &table,
                         sizeof table, &got) ||
      got != sizeof table || table == 0) {
    return -1;
  }
  // The table is filled from its start; the first block with no entry ever used ends it.
  constexpr DWORD kBlock = 4096;
  std::vector<BYTE> block(kBlock * kGdiEntrySize);
  long used = 0;
  for (DWORD first = 0; first < kGdiMaxEntries; first += kBlock) {
    if (!ReadProcessMemory(process, reinterpret_cast<void*>(table + first * kGdiEntrySize),
                           block.data(), block.size(), &got) ||
        got != block.size()) {
      return first == 0 ? -1 : used;
    }
    bool touched = false;
    for (DWORD i = 0; i < kBlock; ++i) {
      const BYTE* entry = block.data() + i * kGdiEntrySize;
      if (entry[kGdiEntryTypeOffset] != 0) ++used;
      for (DWORD b = 0; b < kGdiEntrySize && !touched; ++b) touched = entry[b] != 0;
    }
    if (!touched) break;
  }
  return used;
}

struct WindowCount {
  DWORD pid;
  long count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM param) {
  auto* windows = reinterpret_cast<WindowCount*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == windows->pid) ++windows->count;
  return TRUE;
}

BOOL CALLBACK CountTop(HWND window, LPARAM param) {
  auto* windows = reinterpret_cast<WindowCount*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == windows->pid) {
    ++windows->count;
    // EnumChildWindows visits every descendant, not only the direct children.
    EnumChildWindows(window, CountChild, param);
  }
  return TRUE;
}

long WindowsOf(DWORD pid) {
  WindowCount windows{pid, 0};
  EnumWindows(CountTop, reinterpret_cast<LPARAM>(&windows));
  return windows.count;
}

long long PrivateBytes(HANDLE process) {
  long long bytes = 0;
  MEMORY_BASIC_INFORMATION region;
  BYTE* at = nullptr;
  while (VirtualQueryEx(process, at, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
      bytes += static_cast<long long>(region.RegionSize);
    }
    BYTE* next = static_cast<BYTE*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qlsoak <program.exe>\n");
    return 2;
  }
  const DWORD pid = FindProcess(argv[1]);
  if (pid == 0) {
    std::fprintf(stderr, "qlsoak: %s is not running\n", argv[1]);
    return 1;
  }
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (process == nullptr) {
    std::fprintf(stderr, "qlsoak: cannot open process %lu (error %lu)\n",
                 static_cast<unsigned long>(pid), GetLastError());
    return 1;
  }

  const char* handles_by = "";
  const long handles = HandleCount(process, pid, &handles_by);

  auto gui = Lookup<GetGuiResourcesFn>("user32.dll", "GetGuiResources");
  const long windows = WindowsOf(pid);
  long gdi = gui != nullptr ? static_cast<long>(gui(process, kGrGdiObjects)) : 0;
  const char* gdi_by = "GetGuiResources";
  if (gdi == 0) {
    gdi = GdiTableCount(process);
    gdi_by = "handle-table";
  }
  long user = gui != nullptr ? static_cast<long>(gui(process, kGrUserObjects)) : 0;
  const char* user_by = "GetGuiResources";
  if (user == 0) {
    user = windows;
    user_by = "windows";
  }

  long long pagefile = -1;
  auto memory = Lookup<GetProcessMemoryInfoFn>("psapi.dll", "GetProcessMemoryInfo");
  MemoryCounters counters{};
  counters.cb = sizeof counters;
  if (memory != nullptr && memory(process, &counters, sizeof counters)) {
    pagefile = static_cast<long long>(counters.pagefile);
  }
  const long long private_bytes = PrivateBytes(process);
  CloseHandle(process);

  std::printf(
      "pid=%lu handles=%ld handles_by=%s gdi=%ld gdi_by=%s user=%ld user_by=%s windows=%ld "
      "private=%lld pagefile=%lld\n",
      static_cast<unsigned long>(pid), handles, handles_by, gdi, gdi_by, user, user_by, windows,
      private_bytes, pagefile);
  return 0;
}
