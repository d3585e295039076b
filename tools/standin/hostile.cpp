// qlhostile: the machine-state side of the hostile tests. It lays down registry states that
// no installation would leave (values of the wrong type or length, keys the user may not
// open), dumps keys byte for byte so a test can tell whether a program changed what was
// stored, and runs a program to its end with its exact exit code. Commands run in the order
// given, in one process, so a test pays one process start for a whole step:
//
//   qlhostile <command> [<command>...]
//     del <key>                          deletes the key and everything below it (absent: ok)
//     key <key>                          creates the key (and its parents)
//     set <key> <name> <type> <data>     one value with exactly these bytes:
//                                        type is a number (1 REG_SZ, 3 REG_BINARY, 4 REG_DWORD,
//                                        7 REG_MULTI_SZ, ...); data is hex ("53:3a", "-" for
//                                        none), or "fill:<n>:<hh>" for n bytes of hh, or
//                                        "text:<characters>" (no NUL added)
//     unset <key> <name>                 deletes one value (absent: ok)
//     deny <key>                         a security descriptor that refuses every key right to
//                                        everyone but the rights to read and change it again;
//                                        prints "deny <key>: full-access open now gives <n>"
//     allow <key>                        a security descriptor that allows everything
//     dump <key>                         every value below the key, recursively, in a fixed
//                                        order: "[<path>]" then "<name>=<type>:<size>:<hex>"
//     run <program> [<argument>...] --   runs the program, waits for it and prints
//                                        "exit=<code>" (the whole 32-bit code)
//     start-service <name> <seconds>     starts the service and waits until it has left
//                                        START_PENDING; prints "exit=<state>/<exit code>"
//                                        ("exit=start-failed/<error>" when it did not start,
//                                        "exit=2/pending" when it is still starting)
//     end-service <name>                 ends the service's process (a service that accepts
//                                        no stop) and waits for the process to end; prints
//                                        "ended <name>". Wine's manager keeps the last state
//                                        reported but starts the service again all the same.
//
// <key> is "HKLM\..." or "HKCU\...". Every failure names its step on standard error and ends
// with status 1. The stored bytes are read with the wide calls, so a dump shows what the
// registry holds, not what an ANSI caller would be given.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Failure {
  std::string message;
};

[[noreturn]] void Fail(const std::string& step, LONG status) {
  throw Failure{step + " failed with " + std::to_string(status)};
}

struct KeyName {
  HKEY root;
  std::string path;
};

KeyName ParseKey(const std::string& text) {
  const std::size_t slash = text.find('\\');
  const std::string root = text.substr(0, slash);
  const std::string path = slash == std::string::npos ? "" : text.substr(slash + 1);
  if (root == "HKLM") return {HKEY_LOCAL_MACHINE, path};
  if (root == "HKCU") return {HKEY_CURRENT_USER, path};
  throw Failure{"unknown root in " + text};
}

class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* Receive() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<BYTE> ParseData(const std::string& text) {
  std::vector<BYTE> data;
  if (text == "-") return data;
  if (text.rfind("text:", 0) == 0) return std::vector<BYTE>(text.begin() + 5, text.end());
  if (text.rfind("fill:", 0) == 0) {
    const std::size_t colon = text.find(':', 5);
    if (colon == std::string::npos) throw Failure{"bad fill " + text};
    const unsigned long count = std::strtoul(text.substr(5, colon - 5).c_str(), nullptr, 10);
    const int high = HexDigit(text[colon + 1]);
    const int low = colon + 2 < text.size() ? HexDigit(text[colon + 2]) : -1;
    if (high < 0 || low < 0) throw Failure{"bad fill " + text};
    return std::vector<BYTE>(count, static_cast<BYTE>(high * 16 + low));
  }
  int pending = -1;
  for (char c : text) {
    if (c == ':' || c == ',') continue;
    const int digit = HexDigit(c);
    if (digit < 0) throw Failure{"bad hex " + text};
    if (pending < 0) {
      pending = digit;
    } else {
      data.push_back(static_cast<BYTE>(pending * 16 + digit));
      pending = -1;
    }
  }
  if (pending >= 0) throw Failure{"odd hex " + text};
  return data;
}

void DeleteTree(HKEY parent, const std::string& path) {
  {
    Key key;
    const LONG s = RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, key.Receive());
    if (s == ERROR_FILE_NOT_FOUND) return;
    if (s != ERROR_SUCCESS) Fail("open " + path + " to delete it", s);
    for (;;) {
      char name[256];
      DWORD length = sizeof name;
      const LONG e = RegEnumKeyExA(key.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (e == ERROR_NO_MORE_ITEMS) break;
      if (e != ERROR_SUCCESS) Fail("list " + path, e);
      DeleteTree(key.Get(), name);
    }
  }
  const LONG s = RegDeleteKeyA(parent, path.c_str());
  if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND) Fail("delete " + path, s);
}

void CreateKey(const KeyName& name, Key& key) {
  const LONG s = RegCreateKeyExA(name.root, name.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr);
  if (s != ERROR_SUCCESS) Fail("create " + name.path, s);
}

void SetValue(const KeyName& name, const std::string& value, DWORD type,
              const std::vector<BYTE>& data) {
  Key key;
  CreateKey(name, key);
  // A byte that is not NUL after the data: the ANSI call would otherwise count a NUL that
  // directly follows string data, and the test wants exactly the bytes it gave.
  std::vector<BYTE> buffer(data);
  buffer.push_back(0xFF);
  const LONG s = RegSetValueExA(key.Get(), value.c_str(), 0, type, buffer.data(),
                                static_cast<DWORD>(data.size()));
  if (s != ERROR_SUCCESS) Fail("set " + name.path + "\\" + value, s);
}

void UnsetValue(const KeyName& name, const std::string& value) {
  Key key;
  const LONG s = RegOpenKeyExA(name.root, name.path.c_str(), 0, KEY_ALL_ACCESS, key.Receive());
  if (s == ERROR_FILE_NOT_FOUND) return;
  if (s != ERROR_SUCCESS) Fail("open " + name.path, s);
  const LONG d = RegDeleteValueA(key.Get(), value.c_str());
  if (d != ERROR_SUCCESS && d != ERROR_FILE_NOT_FOUND) Fail("unset " + value, d);
}

// Everyone: S-1-1-0.
struct Everyone {
  PSID sid = nullptr;
  Everyone() {
    SID_IDENTIFIER_AUTHORITY world = {SECURITY_WORLD_SID_AUTHORITY};
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid)) {
      Fail("make the Everyone identifier", static_cast<LONG>(GetLastError()));
    }
  }
  Everyone(const Everyone&) = delete;
  Everyone& operator=(const Everyone&) = delete;
  ~Everyone() { FreeSid(sid); }
};

void SetDacl(const KeyName& name, bool deny) {
  Everyone everyone;
  std::vector<BYTE> aclBuffer(512);
  auto* acl = reinterpret_cast<PACL>(aclBuffer.data());
  if (!InitializeAcl(acl, static_cast<DWORD>(aclBuffer.size()), ACL_REVISION)) {
    Fail("initialise an access list", static_cast<LONG>(GetLastError()));
  }
  // The deny entry leaves reading and changing the descriptor, so "allow" can undo it.
  const DWORD refused = KEY_ALL_ACCESS & ~static_cast<DWORD>(READ_CONTROL | WRITE_DAC);
  if (deny && !AddAccessDeniedAce(acl, ACL_REVISION, refused, everyone.sid)) {
    Fail("add the deny entry", static_cast<LONG>(GetLastError()));
  }
  if (!AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone.sid)) {
    Fail("add the allow entry", static_cast<LONG>(GetLastError()));
  }
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
    Fail("make a security descriptor", static_cast<LONG>(GetLastError()));
  }
  Key key;
  LONG s = RegOpenKeyExA(name.root, name.path.c_str(), 0, WRITE_DAC, key.Receive());
  if (s != ERROR_SUCCESS) Fail("open " + name.path + " to change its descriptor", s);
  s = RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &descriptor);
  if (s != ERROR_SUCCESS) Fail("set the descriptor of " + name.path, s);
}

std::string Hex(const BYTE* data, DWORD size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (DWORD i = 0; i < size; ++i) {
    out.push_back(digits[data[i] >> 4]);
    out.push_back(digits[data[i] & 15]);
  }
  return out;
}

std::string Narrow(const WCHAR* text) {
  std::string out;
  for (; *text != 0; ++text) out.push_back(*text < 128 ? static_cast<char>(*text) : '?');
  return out;
}

void Dump(HKEY parent, const std::string& path, const std::string& shown) {
  Key key;
  const LONG s = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, key.Receive());
  if (s != ERROR_SUCCESS) {
    std::printf("[%s] open=%ld\n", shown.c_str(), static_cast<long>(s));
    return;
  }
  std::printf("[%s]\n", shown.c_str());
  std::vector<std::string> lines;
  for (DWORD i = 0;; ++i) {
    WCHAR name[512];
    DWORD nameLength = 512;
    DWORD type = 0;
    DWORD size = 0;
    LONG e = RegEnumValueW(key.Get(), i, name, &nameLength, nullptr, &type, nullptr, &size);
    if (e == ERROR_NO_MORE_ITEMS) break;
    if (e != ERROR_SUCCESS) Fail("list the values of " + shown, e);
    std::vector<BYTE> data(size + 2);
    nameLength = 512;
    DWORD got = size + 2;
    e = RegEnumValueW(key.Get(), i, name, &nameLength, nullptr, &type, data.data(), &got);
    if (e != ERROR_SUCCESS) Fail("read a value of " + shown, e);
    lines.push_back(Narrow(name) + "=" + std::to_string(type) + ":" + std::to_string(got) + ":" +
                    Hex(data.data(), got));
  }
  std::sort(lines.begin(), lines.end());
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  std::vector<std::string> subkeys;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof name;
    const LONG e = RegEnumKeyExA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (e == ERROR_NO_MORE_ITEMS) break;
    if (e != ERROR_SUCCESS) Fail("list the subkeys of " + shown, e);
    subkeys.emplace_back(name);
  }
  std::sort(subkeys.begin(), subkeys.end());
  for (const std::string& sub : subkeys) Dump(key.Get(), sub, shown + "\\" + sub);
}

DWORD Run(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += ' ';
    line += word;
  }
  // The program writes to this process's standard streams, so its warnings and Wine's own
  // reports about it land in the test's log.
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    Fail("start " + line, static_cast<LONG>(GetLastError()));
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  return code;
}

struct ServiceHandle {
  SC_HANDLE handle = nullptr;
  ServiceHandle() = default;
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
  ~ServiceHandle() {
    if (handle != nullptr) CloseServiceHandle(handle);
  }
};

void OpenService(const std::string& name, DWORD access, ServiceHandle& manager,
                 ServiceHandle& service) {
  manager.handle = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager.handle == nullptr)
    Fail("open the service manager", static_cast<LONG>(GetLastError()));
  service.handle = OpenServiceA(manager.handle, name.c_str(), access);
  if (service.handle == nullptr) Fail("open " + name, static_cast<LONG>(GetLastError()));
}

DWORD StateOf(SC_HANDLE service, DWORD* exitCode) {
  SERVICE_STATUS status = {};
  if (!QueryServiceStatus(service, &status)) Fail("query", static_cast<LONG>(GetLastError()));
  if (exitCode != nullptr) *exitCode = status.dwWin32ExitCode;
  return status.dwCurrentState;
}

std::string StartService(const std::string& name, unsigned long seconds) {
  ServiceHandle manager, service;
  OpenService(name, SERVICE_START | SERVICE_QUERY_STATUS, manager, service);
  if (!StartServiceA(service.handle, 0, nullptr)) {
    return "start-failed/" + std::to_string(GetLastError());
  }
  DWORD exitCode = 0;
  for (unsigned long waited = 0; waited < seconds * 10; ++waited) {
    const DWORD state = StateOf(service.handle, &exitCode);
    if (state != SERVICE_START_PENDING)
      return std::to_string(state) + "/" + std::to_string(exitCode);
    Sleep(100);
  }
  return "2/pending";
}

void EndService(const std::string& name) {
  ServiceHandle manager, service;
  OpenService(name, SERVICE_QUERY_STATUS, manager, service);
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  if (!QueryServiceStatusEx(service.handle, SC_STATUS_PROCESS_INFO,
                            reinterpret_cast<BYTE*>(&status), sizeof status, &needed)) {
    Fail("query the process of " + name, static_cast<LONG>(GetLastError()));
  }
  if (status.dwCurrentState != SERVICE_STOPPED && status.dwProcessId != 0) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId);
    if (process == nullptr) Fail("open the process of " + name, static_cast<LONG>(GetLastError()));
    TerminateProcess(process, 1);
    const DWORD waited = WaitForSingleObject(process, 30000);
    CloseHandle(process);
    if (waited != WAIT_OBJECT_0) Fail("wait for the process of " + name + " to end", 0);
  }
}

std::string Need(int argc, char** argv, int& i) {
  if (i + 1 >= argc) throw Failure{std::string("missing argument after ") + argv[i]};
  return argv[++i];
}

}  // namespace

int main(int argc, char** argv) {
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string command = argv[i];
      if (command == "del") {
        const KeyName name = ParseKey(Need(argc, argv, i));
        DeleteTree(name.root, name.path);
      } else if (command == "key") {
        Key key;
        CreateKey(ParseKey(Need(argc, argv, i)), key);
      } else if (command == "set") {
        const KeyName name = ParseKey(Need(argc, argv, i));
        const std::string value = Need(argc, argv, i);
        const auto type =
            static_cast<DWORD>(std::strtoul(Need(argc, argv, i).c_str(), nullptr, 10));
        SetValue(name, value, type, ParseData(Need(argc, argv, i)));
      } else if (command == "unset") {
        const KeyName name = ParseKey(Need(argc, argv, i));
        UnsetValue(name, Need(argc, argv, i));
      } else if (command == "deny" || command == "allow") {
        const std::string text = Need(argc, argv, i);
        const KeyName name = ParseKey(text);
        SetDacl(name, command == "deny");
        if (command == "deny") {
          Key probe;
          const LONG s =
              RegOpenKeyExA(name.root, name.path.c_str(), 0, KEY_ALL_ACCESS, probe.Receive());
          std::printf("deny %s: full-access open now gives %ld\n", text.c_str(),
                      static_cast<long>(s));
        }
      } else if (command == "dump") {
        const std::string text = Need(argc, argv, i);
        const KeyName name = ParseKey(text);
        Dump(name.root, name.path, text);
      } else if (command == "run") {
        std::vector<std::string> words;
        while (i + 1 < argc && std::strcmp(argv[i + 1], "--") != 0) words.emplace_back(argv[++i]);
        if (i + 1 < argc) ++i;  // the "--"
        if (words.empty()) throw Failure{"run: no program"};
        std::fflush(stdout);
        const DWORD code = Run(words);
        std::printf("exit=%lu\n", static_cast<unsigned long>(code));
      } else if (command == "start-service") {
        const std::string name = Need(argc, argv, i);
        const unsigned long seconds = std::strtoul(Need(argc, argv, i).c_str(), nullptr, 10);
        const std::string result = StartService(name, seconds);
        std::printf("exit=%s\n", result.c_str());
      } else if (command == "end-service") {
        const std::string name = Need(argc, argv, i);
        EndService(name);
        std::printf("ended %s\n", name.c_str());
      } else {
        throw Failure{"unknown command " + command};
      }
      std::fflush(stdout);
    }
  } catch (const Failure& failure) {
    std::fflush(stdout);
    std::fprintf(stderr, "qlhostile: %s\n", failure.message.c_str());
    return 1;
  }
  return 0;
}
