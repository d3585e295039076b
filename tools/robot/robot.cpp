// qlrobot: the hands and eyes of the Wine tests. Finds windows of other processes, reads and
// sets their controls, presses buttons, answers message boxes.
//
// Windows are found by their exact caption among the top-level windows; every command waits
// for its window up to the timeout (-t seconds, default 10) and fails with exit status 2 and
// a message when it does not appear. Other failures exit with 1.
//
//   qlrobot wait-window <caption> [-t s]          prints the window handle
//   qlrobot wait-gone <caption> [-t s]            waits until no such window is left
//   qlrobot list <caption> [-t s]                 one line per control, see PrintControl
//   qlrobot get-text <caption> <id> [-t s]        the control's text (id 0: the caption)
//   qlrobot set-text <caption> <id> <text>        WM_SETTEXT
//   qlrobot click <caption> <id>                  presses a button (fails when disabled)
//   qlrobot msgbox [-c caption] [-a answer] [-t s]
//                     waits for a message box, prints "caption: ..." and "text: ..." and
//                     presses the answer (ok, cancel, yes, no, abort, retry, ignore or a
//                     button id; default ok; "none" leaves it open)
//   qlrobot sheet <caption> back|next|finish|cancel   presses a property sheet's button
//   qlrobot lv-click <caption> <id> <item> [double]   clicks a list-view item as the mouse
//   qlrobot key <caption> <id> <virtual key> [shift] [ctrl] [alt]
//                     posts WM_KEYDOWN/WM_KEYUP to a control; with modifiers the agent holds
//                     them down in the target thread's key state while the key is handled
//                     (WM_SYSKEYDOWN/UP for Alt without Ctrl), and the robot returns when the
//                     key's up message has been taken
//   qlrobot screenshot <caption> <file.bmp>       the window as it is on the screen
//   qlrobot menu <caption> <item> [<item>...]     chooses a menu command by its item texts
//                     ("File" "Save"; '&' marks and the accelerator part are ignored, case
//                     too); fails when an item is missing or disabled
//   qlrobot menu-list <caption>                   prints the menu tree with ids and states
//   qlrobot top-list [<caption>] [-t s]           one line per top-level window (see
//                     PrintTopProc): every visible one, or with a caption every one of the
//                     process that shows that window, hidden ones too; enough to tell which
//                     windows a taskbar shows (visible, and unowned and no tool window, or an
//                     app window)
//   qlrobot focus <caption> [-t s]                the control with the keyboard focus in the
//                     window's thread: "id=<n> class=<name>", or "none"
//   qlrobot reg-query <key>                       the key's values as Wine's reg.exe query
//                     prints them: "    <name>    <REG_type>    <data>" (see RegQueryCommand)
//   qlrobot svc-state <service>                   the service's status as the manager keeps
//                     it: "state=<n> type=<n> controls=<n> exit=<n> specific=<n>
//                     checkpoint=<n> wait=<n>"
//   qlrobot hold [<folder>]                       keeps a small window on the desktop; with a
//                     folder it also serves commands dropped there (see ServeLoop), so that
//                     a test pays for one Wine process start per machine instead of one per
//                     command: under the i386 emulator each start costs many seconds
//
// Between processes Wine does not carry WM_NOTIFY, so a list-view item is clicked with a
// posted mouse click at the item's rectangle, as a user's click; the list view then sets
// focus and selection and notifies its parent itself. Menus cannot be read from another
// process under Wine, and a list view writes its texts and rectangles into its own memory,
// which another process cannot always reach (not under emulation): for both the robot hooks
// the target's window thread with its agent DLL (qlagent.dll, beside the robot), which does
// the work from inside. List-box texts are read with the wide form: the ANSI form keeps one
// character when Wine carries it between processes.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/robot/agent.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitTimeout = 2;

// Messages of the common controls, with the values the headers give newer targets too.
constexpr UINT kLvmGetItemCount = 0x1004;
constexpr UINT kTbmGetPos = WM_USER;
constexpr UINT kTbmGetRangeMin = WM_USER + 1;
constexpr UINT kTbmGetRangeMax = WM_USER + 2;
constexpr UINT kUdmGetRange = WM_USER + 102;
constexpr UINT kUdmGetPos = WM_USER + 104;
constexpr UINT kPsmPressButton = WM_USER + 113;

struct Failure {
  int code;
  std::string message;
};

[[noreturn]] void Fail(int code, const std::string& message) { throw Failure{code, message}; }

// Where a command's output goes: standard output, or the answer of a served request (each
// request runs on a thread of its own).
thread_local std::string* tAnswer = nullptr;

void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (tAnswer == nullptr) {
    std::vprintf(format, args);
  } else {
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    if (length > 0) {
      const size_t at = tAnswer->size();
      tAnswer->resize(at + static_cast<size_t>(length) + 1);
      std::vsnprintf(tAnswer->data() + at, static_cast<size_t>(length) + 1, format, again);
      tAnswer->resize(at + static_cast<size_t>(length));
    }
    va_end(again);
  }
  va_end(args);
}

std::string ClassOf(HWND window) {
  char name[128] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

std::string TextOf(HWND window) {
  // WM_GETTEXT is carried between processes; GetWindowText would not ask another process.
  LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return "";
  std::vector<char> text(static_cast<size_t>(length) + 2, '\0');
  SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
               reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

// Texts printed on one line: backslash escapes for line breaks, tabs and backslashes.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      default:
        out += c;
    }
  }
  return out;
}

struct FindTop {
  const char* caption;
  const char* className;  // null: any
  HWND found;
};

BOOL CALLBACK FindTopProc(HWND window, LPARAM param) {
  auto* find = reinterpret_cast<FindTop*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  if (find->className != nullptr && ClassOf(window) != find->className) return TRUE;
  if (find->caption != nullptr && TextOf(window) != find->caption) return TRUE;
  find->found = window;
  return FALSE;
}

HWND FindTopWindow(const char* caption, const char* className = nullptr) {
  FindTop find{caption, className, nullptr};
  EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

HWND WaitTopWindow(const char* caption, DWORD timeoutMs, const char* className = nullptr) {
  DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = FindTopWindow(caption, className)) return window;
    if (GetTickCount() - start >= timeoutMs) {
      Fail(kExitTimeout, std::string("timeout: no window \"") + caption + "\" after " +
                             std::to_string(timeoutMs / 1000) + " s");
    }
    Sleep(100);
  }
}

struct FindChild {
  int id;
  HWND visible;
  HWND any;
};

BOOL CALLBACK FindChildProc(HWND window, LPARAM param) {
  auto* find = reinterpret_cast<FindChild*>(param);
  if (GetDlgCtrlID(window) != find->id) return TRUE;
  if (find->any == nullptr) find->any = window;
  if (IsWindowVisible(window)) {
    find->visible = window;
    return FALSE;
  }
  return TRUE;
}

// A control anywhere below the window (property-sheet pages included); a visible one wins
// over a hidden one with the same id.
HWND FindControl(HWND top, int id) {
  if (id == 0) return top;
  FindChild find{id, nullptr, nullptr};
  EnumChildWindows(top, FindChildProc, reinterpret_cast<LPARAM>(&find));
  HWND control = find.visible != nullptr ? find.visible : find.any;
  if (control == nullptr) Fail(kExitFailed, "no control with id " + std::to_string(id));
  return control;
}

// The agent DLL, from the robot's own folder.
HMODULE LoadAgent() {
  char dll[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, dll, sizeof(dll));
  char* slash = std::strrchr(dll, '\\');
  if (length == 0 || slash == nullptr ||
      static_cast<size_t>(slash - dll) + sizeof(ql::robot::kAgentDll) + 1 > sizeof(dll)) {
    Fail(kExitFailed, "cannot locate the robot's folder");
  }
  std::strcpy(slash + 1, ql::robot::kAgentDll);
  HMODULE agent = LoadLibraryA(dll);
  if (agent == nullptr) Fail(kExitFailed, std::string("cannot load ") + dll);
  return agent;
}

// One agent request at a time, across every robot of the machine and every thread of the
// serving one: the agent's block is one named mapping.
class AgentLock {
 public:
  AgentLock() : mutex_(CreateMutexA(nullptr, FALSE, "QlRobotAgentLock")) {
    if (mutex_ != nullptr) WaitForSingleObject(mutex_, 60000);
  }
  ~AgentLock() {
    if (mutex_ != nullptr) {
      ReleaseMutex(mutex_);
      CloseHandle(mutex_);
    }
  }
  AgentLock(const AgentLock&) = delete;
  AgentLock& operator=(const AgentLock&) = delete;

 private:
  HANDLE mutex_;
};

// One use of the agent: the lock, the agent's library, its shared block (cleared) and the
// hook into the target window's thread, given back in reverse order however the use ends.
class AgentSession {
 public:
  explicit AgentSession(const char* hookName) : agent_(LoadAgent()) {
    hook_ = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(agent_, hookName)));
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  sizeof(ql::robot::AgentBlock), ql::robot::kAgentMapping);
    if (mapping_ != nullptr) {
      block_ = static_cast<ql::robot::AgentBlock*>(
          MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    }
    if (block_ != nullptr) std::memset(block_, 0, sizeof(*block_));
  }
  ~AgentSession() {
    Unhook();
    if (block_ != nullptr) UnmapViewOfFile(block_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
    FreeLibrary(agent_);
  }
  AgentSession(const AgentSession&) = delete;
  AgentSession& operator=(const AgentSession&) = delete;

  // The block to fill in before Hook; null when the agent cannot be used at all.
  ql::robot::AgentBlock* block() const { return hook_ != nullptr ? block_ : nullptr; }
  bool Hook(int kind, HWND window) {
    if (block() == nullptr) return false;
    installed_ = SetWindowsHookExA(kind, hook_, agent_, GetWindowThreadProcessId(window, nullptr));
    return installed_ != nullptr;
  }
  void Unhook() {
    if (installed_ != nullptr) UnhookWindowsHookEx(installed_);
    installed_ = nullptr;
  }
  std::string Answer() const {
    block_->answer[sizeof(block_->answer) - 1] = '\0';
    return block_->answer;
  }

 private:
  AgentLock lock_;  // the first taken, the last given back
  HMODULE agent_;
  HOOKPROC hook_ = nullptr;
  HANDLE mapping_ = nullptr;
  ql::robot::AgentBlock* block_ = nullptr;
  HHOOK installed_ = nullptr;
};

// Runs one agent request in the target window's thread; returns the agent's answer.
std::string AskAgent(HWND window, DWORD command, const std::vector<std::string>& path = {},
                     int item = 0) {
  using ql::robot::AgentBlock;
  if (path.size() > static_cast<size_t>(ql::robot::kAgentMaxDepth)) {
    Fail(kExitFailed, "menu path too deep");
  }
  AgentSession session(ql::robot::kAgentHook);
  bool installed = false;
  if (AgentBlock* block = session.block()) {
    block->command = command;
    block->window = window;
    block->depth = static_cast<DWORD>(path.size());
    block->item = item;
    for (size_t i = 0; i < path.size(); ++i) {
      lstrcpynA(block->path[i], path[i].c_str(), ql::robot::kAgentTextRoom);
    }
    installed = session.Hook(WH_CALLWNDPROC, window);
  }
  if (!installed) Fail(kExitFailed, "cannot hook the window's thread");
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, RegisterWindowMessageA(ql::robot::kAgentMessage), 0, 0,
                      SMTO_ABORTIFHUNG, 30000, &result);
  session.Unhook();
  if (session.block()->done == 0) Fail(kExitFailed, "the agent did not answer");
  std::string answer = session.Answer();
  if (session.block()->ok == 0) Fail(kExitFailed, answer);
  return answer;
}

std::wstring ListBoxText(HWND list, int item) {
  LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(item), 0);
  if (length <= 0) return L"";
  std::vector<wchar_t> text(static_cast<size_t>(length) + 2, L'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return "";
  int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::vector<char> out(static_cast<size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
  return out.data();
}

bool IsCheckable(HWND control) {
  if (ClassOf(control) != "Button") return false;
  LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
         type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
}

// id=<n> class=<name> text="<text>" visible=<0|1> enabled=<0|1> [checked=<0|1|2>]
//   [pos=<n> min=<n> max=<n>] [items=<n>] [selected=<n>], then one line per item:
//   item[<i>]="<text>"[|"<sub-item>"...] [selected] [focused]
void PrintControl(HWND control) {
  std::string cls = ClassOf(control);
  Print("id=%d class=%s text=\"%s\" visible=%d enabled=%d", GetDlgCtrlID(control), cls.c_str(),
        Escape(TextOf(control)).c_str(), IsWindowVisible(control) ? 1 : 0,
        IsWindowEnabled(control) ? 1 : 0);
  if (IsCheckable(control)) {
    Print(" checked=%d", static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0)));
  }
  if (cls == "msctls_trackbar32") {
    Print(" pos=%d min=%d max=%d", static_cast<int>(SendMessageA(control, kTbmGetPos, 0, 0)),
          static_cast<int>(SendMessageA(control, kTbmGetRangeMin, 0, 0)),
          static_cast<int>(SendMessageA(control, kTbmGetRangeMax, 0, 0)));
  } else if (cls == "msctls_updown32") {
    auto pos = static_cast<DWORD>(SendMessageA(control, kUdmGetPos, 0, 0));
    auto range = static_cast<DWORD>(SendMessageA(control, kUdmGetRange, 0, 0));
    Print(" pos=%d min=%d max=%d", static_cast<short>(LOWORD(pos)),
          static_cast<short>(HIWORD(range)), static_cast<short>(LOWORD(range)));
  } else if (cls == "SysListView32") {
    Print(" items=%d\n", static_cast<int>(SendMessageA(control, kLvmGetItemCount, 0, 0)));
    Print("%s", AskAgent(control, ql::robot::kAgentListView).c_str());
    return;
  } else if (cls == "ListBox") {
    int count = static_cast<int>(SendMessageW(control, LB_GETCOUNT, 0, 0));
    Print(" items=%d selected=%d\n", count,
          static_cast<int>(SendMessageW(control, LB_GETCURSEL, 0, 0)));
    for (int i = 0; i < count; ++i) {
      Print("  item[%d]=\"%s\"\n", i, Escape(Narrow(ListBoxText(control, i))).c_str());
    }
    return;
  } else if (cls == "ComboBox") {
    Print(" items=%d selected=%d", static_cast<int>(SendMessageA(control, CB_GETCOUNT, 0, 0)),
          static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
  }
  Print("\n");
}

BOOL CALLBACK PrintChildProc(HWND window, LPARAM) {
  PrintControl(window);
  return TRUE;
}

struct Options {
  std::vector<std::string> args;
  DWORD timeoutMs = 10000;
  std::string caption;
  std::string answer = "ok";
};

Options Parse(int argc, char** argv) {
  Options options;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if ((arg == "-t" || arg == "-c" || arg == "-a") && i + 1 < argc) {
      std::string value = argv[++i];
      if (arg == "-t") {
        char* end = nullptr;
        double seconds = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || *end != '\0' || seconds < 0 || seconds > 3600) {
          Fail(kExitFailed, "bad timeout: " + value);
        }
        options.timeoutMs = static_cast<DWORD>(seconds * 1000);
      } else if (arg == "-c") {
        options.caption = value;
      } else {
        options.answer = value;
      }
    } else {
      options.args.push_back(arg);
    }
  }
  return options;
}

int ParseInt(const std::string& text, const char* what) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0') Fail(kExitFailed, std::string("bad ") + what + ": " + text);
  return static_cast<int>(value);
}

void Need(const Options& options, size_t count, const char* usage) {
  if (options.args.size() != count) Fail(kExitFailed, std::string("usage: qlrobot ") + usage);
}

void Click(HWND button) {
  if (!IsWindowEnabled(button)) {
    Fail(kExitFailed, "control " + std::to_string(GetDlgCtrlID(button)) + " (\"" + TextOf(button) +
                          "\") is disabled");
  }
  // Posted: the click may open a modal window, and the robot must not wait for it to end.
  PostMessageA(button, BM_CLICK, 0, 0);
}

struct FindMessageBox {
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK FindMessageBoxProc(HWND window, LPARAM param) {
  auto* find = reinterpret_cast<FindMessageBox*>(param);
  if (!IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
  if (GetDlgItem(window, 0xFFFF) == nullptr) return TRUE;
  if (!find->caption->empty() && TextOf(window) != *find->caption) return TRUE;
  find->found = window;
  return FALSE;
}

int AnswerId(const std::string& answer) {
  static const struct {
    const char* name;
    int id;
  } kAnswers[] = {{"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT},
                  {"retry", IDRETRY}, {"ignore", IDIGNORE}, {"yes", IDYES},
                  {"no", IDNO}};
  for (const auto& known : kAnswers) {
    if (_stricmp(answer.c_str(), known.name) == 0) return known.id;
  }
  return ParseInt(answer, "answer");
}

int MessageBoxCommand(const Options& options) {
  Need(options, 0, "msgbox [-c caption] [-a answer|none] [-t seconds]");
  DWORD start = GetTickCount();
  FindMessageBox find{&options.caption, nullptr};
  for (;;) {
    EnumWindows(FindMessageBoxProc, reinterpret_cast<LPARAM>(&find));
    if (find.found != nullptr) break;
    if (GetTickCount() - start >= options.timeoutMs) {
      Fail(kExitTimeout, "timeout: no message box" +
                             (options.caption.empty() ? "" : " \"" + options.caption + "\"") +
                             " after " + std::to_string(options.timeoutMs / 1000) + " s");
    }
    Sleep(100);
  }
  HWND box = find.found;
  Print("caption: %s\n", Escape(TextOf(box)).c_str());
  Print("text: %s\n", Escape(TextOf(GetDlgItem(box, 0xFFFF))).c_str());
  if (_stricmp(options.answer.c_str(), "none") == 0) return kExitOk;
  int id = AnswerId(options.answer);
  HWND button = GetDlgItem(box, id);
  if (button == nullptr) Fail(kExitFailed, "the message box has no button " + options.answer);
  Click(button);
  return kExitOk;
}

int SheetCommand(const Options& options) {
  Need(options, 2, "sheet <caption> back|next|finish|cancel");
  static const struct {
    const char* name;
    int button;
  } kButtons[] = {{"back", PSBTN_BACK},
                  {"next", PSBTN_NEXT},
                  {"finish", PSBTN_FINISH},
                  {"cancel", PSBTN_CANCEL}};
  for (const auto& known : kButtons) {
    if (_stricmp(options.args[1].c_str(), known.name) == 0) {
      HWND sheet = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
      PostMessageA(sheet, kPsmPressButton, static_cast<WPARAM>(known.button), 0);
      return kExitOk;
    }
  }
  Fail(kExitFailed, "unknown sheet button: " + options.args[1]);
}

int ListViewClickCommand(const Options& options) {
  if (options.args.size() != 3 && options.args.size() != 4) {
    Fail(kExitFailed, "usage: qlrobot lv-click <caption> <id> <item> [double]");
  }
  HWND top = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
  HWND list = FindControl(top, ParseInt(options.args[1], "id"));
  int item = ParseInt(options.args[2], "item");
  bool twice = options.args.size() == 4 && options.args[3] == "double";
  RECT rect{};
  std::string answer = AskAgent(list, ql::robot::kAgentItemRect, {}, item);
  if (std::sscanf(answer.c_str(), "%ld %ld %ld %ld", &rect.left, &rect.top, &rect.right,
                  &rect.bottom) != 4) {
    Fail(kExitFailed, "no rectangle for item " + std::to_string(item));
  }
  LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  if (twice) {
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
  }
  return kExitOk;
}

// A key's down and up messages as a keyboard posts them: one repeat and the scan code; the
// previous-state and transition bits on the way up. With Alt and without Ctrl a keyboard
// sends the system key messages, with their context bit (Alt down) set.
void PostKey(HWND control, WPARAM key, DWORD modifiers) {
  UINT scan = MapVirtualKeyA(static_cast<UINT>(key), 0);
  bool system =
      (modifiers & ql::robot::kAgentAlt) != 0 && (modifiers & ql::robot::kAgentControl) == 0;
  auto down = static_cast<LPARAM>(1 | (scan << 16) | (system ? 0x20000000u : 0));
  PostMessageA(control, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, down);
  PostMessageA(control, system ? WM_SYSKEYUP : WM_KEYUP, key,
               static_cast<LPARAM>(static_cast<DWORD>(down) | 0xC0000000u));
}

// A key with modifiers held in the target thread's key state (see agent.h); returns when the
// target has taken the key's up message from its queue, so the key has been handled.
void PostKeyWithModifiers(HWND control, WPARAM key, DWORD modifiers, DWORD timeoutMs) {
  using ql::robot::AgentBlock;
  AgentSession session(ql::robot::kAgentKeyHook);
  bool installed = false;
  if (AgentBlock* block = session.block()) {
    block->command = ql::robot::kAgentKey;
    block->window = control;
    block->item = static_cast<int>(key);
    block->modifiers = modifiers;
    installed = session.Hook(WH_GETMESSAGE, control);
  }
  if (!installed) Fail(kExitFailed, "cannot hook the window's thread");
  PostKey(control, key, modifiers);
  const volatile AgentBlock* shared = session.block();
  bool done = false;
  DWORD start = GetTickCount();
  while (!(done = shared->done != 0) && GetTickCount() - start < timeoutMs) Sleep(20);
  session.Unhook();
  const bool ok = shared->ok != 0;
  const bool wentDown = shared->keyDown != 0;
  const std::string answer = session.Answer();
  if (!done) {
    Fail(kExitTimeout, wentDown ? "timeout: the key went down but its up message was not taken "
                                  "(the modifiers may still be held)"
                                : "timeout: the window did not take the key");
  }
  if (!ok) Fail(kExitFailed, answer);
}

int KeyCommand(const Options& options) {
  if (options.args.size() < 3 || options.args.size() > 6) {
    Fail(kExitFailed, "usage: qlrobot key <caption> <id> <virtual key> [shift] [ctrl] [alt]");
  }
  DWORD modifiers = 0;
  for (size_t i = 3; i < options.args.size(); ++i) {
    const char* word = options.args[i].c_str();
    if (_stricmp(word, "shift") == 0) {
      modifiers |= ql::robot::kAgentShift;
    } else if (_stricmp(word, "ctrl") == 0) {
      modifiers |= ql::robot::kAgentControl;
    } else if (_stricmp(word, "alt") == 0) {
      modifiers |= ql::robot::kAgentAlt;
    } else {
      Fail(kExitFailed, "unknown modifier: " + options.args[i]);
    }
  }
  HWND top = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
  HWND control = FindControl(top, ParseInt(options.args[1], "id"));
  auto key = static_cast<WPARAM>(ParseInt(options.args[2], "virtual key"));
  if (key == 0 || key > 0xFE) Fail(kExitFailed, "bad virtual key: " + options.args[2]);
  if (modifiers == 0) {
    PostKey(control, key, 0);
  } else {
    PostKeyWithModifiers(control, key, modifiers, options.timeoutMs);
  }
  return kExitOk;
}

int ScreenshotCommand(const Options& options) {
  Need(options, 2, "screenshot <caption> <file.bmp>");
  HWND top = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
  SetForegroundWindow(top);
  Sleep(300);
  RECT rect{};
  GetWindowRect(top, &rect);
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) Fail(kExitFailed, "the window has no size");
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bitmap != nullptr;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  DWORD imageSize = stride * static_cast<DWORD>(height);
  if (ok) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    FILE* out = std::fopen(options.args[1].c_str(), "wb");
    ok = out != nullptr;
    if (out != nullptr) {
      ok = std::fwrite(&file, sizeof(file), 1, out) == 1 &&
           std::fwrite(&info.bmiHeader, sizeof(BITMAPINFOHEADER), 1, out) == 1 &&
           std::fwrite(bits, imageSize, 1, out) == 1;
      ok = std::fclose(out) == 0 && ok;
    }
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!ok) Fail(kExitFailed, "cannot write " + options.args[1]);
  return kExitOk;
}

int MenuCommand(const Options& options, bool list) {
  if (list ? options.args.size() != 1 : options.args.size() < 2) {
    Fail(kExitFailed, list ? "usage: qlrobot menu-list <caption>"
                           : "usage: qlrobot menu <caption> <item> [<item>...]");
  }
  HWND top = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
  std::vector<std::string> path(options.args.begin() + 1, options.args.end());
  std::string answer = AskAgent(top, list ? ql::robot::kAgentList : ql::robot::kAgentInvoke, path);
  Print("%s%s", answer.c_str(), list ? "" : "\n");
  return kExitOk;
}

LRESULT CALLBACK HoldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool StartServing(const std::string& folder);

int HoldCommand(const Options& options) {
  if (options.args.size() > 1) Fail(kExitFailed, "usage: qlrobot hold [<folder>]");
  WNDCLASSA cls{};
  cls.lpfnWndProc = HoldProc;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.lpszClassName = "QlRobotHold";
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassA(&cls);
  // The first window of a fresh boot waits for Wine's desktop process; on a busy machine that
  // wait can time out once, and a later attempt finds the desktop up.
  HWND window = nullptr;
  for (int attempt = 0; attempt < 120 && window == nullptr; ++attempt) {
    if (attempt > 0) Sleep(1000);
    window = CreateWindowA("QlRobotHold", "qlrobot hold", WS_OVERLAPPED | WS_MINIMIZE, 0, 0, 80, 40,
                           nullptr, nullptr, cls.hInstance, nullptr);
  }
  if (window == nullptr) Fail(kExitFailed, "cannot create the holding window");
  ShowWindow(window, SW_SHOWMINNOACTIVE);
  // Commands are served only once the desktop is up: the folder's "ready" file says both.
  if (!options.args.empty() && !StartServing(options.args[0])) {
    Fail(kExitFailed, "cannot serve commands from " + options.args[0]);
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return kExitOk;
}

// The caption the system keeps for a window: read without a message, so a hung program
// cannot hold the listing up.
std::string CaptionOf(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

struct TopList {
  DWORD process;  // 0: the visible windows of every process
};

// window=<handle> class=<name> text="<caption>" owner=<handle> owner-text="<caption>"
//   visible=<0|1> toolwindow=<0|1> appwindow=<0|1>
// (owner=00000000 and owner-text="" for an unowned window; the flags are WS_VISIBLE,
// WS_EX_TOOLWINDOW and WS_EX_APPWINDOW)
BOOL CALLBACK PrintTopProc(HWND window, LPARAM param) {
  const auto* list = reinterpret_cast<const TopList*>(param);
  auto style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  auto exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
  if (list->process != 0) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != list->process) return TRUE;
  } else if ((style & WS_VISIBLE) == 0) {
    return TRUE;
  }
  HWND owner = GetWindow(window, GW_OWNER);
  Print(
      "window=%p class=%s text=\"%s\" owner=%p owner-text=\"%s\" visible=%d toolwindow=%d "
      "appwindow=%d\n",
      static_cast<void*>(window), ClassOf(window).c_str(), Escape(CaptionOf(window)).c_str(),
      static_cast<void*>(owner), owner != nullptr ? Escape(CaptionOf(owner)).c_str() : "",
      (style & WS_VISIBLE) != 0 ? 1 : 0, (exStyle & WS_EX_TOOLWINDOW) != 0 ? 1 : 0,
      (exStyle & WS_EX_APPWINDOW) != 0 ? 1 : 0);
  return TRUE;
}

int TopListCommand(const Options& options) {
  if (options.args.size() > 1) Fail(kExitFailed, "usage: qlrobot top-list [<caption>] [-t s]");
  TopList list{0};
  if (!options.args.empty()) {
    HWND top = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
    GetWindowThreadProcessId(top, &list.process);
    if (list.process == 0) Fail(kExitFailed, "the window has no process");
  }
  EnumWindows(PrintTopProc, reinterpret_cast<LPARAM>(&list));
  return kExitOk;
}

// The keyboard focus of the window's thread, asked of the system: id=<n> class=<name>, or
// "none" when no window of that thread has it.
int FocusCommand(const Options& options) {
  Need(options, 1, "focus <caption> [-t seconds]");
  HWND top = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info)) {
    Fail(kExitFailed, "cannot ask the window's thread");
  }
  if (info.hwndFocus == nullptr) {
    Print("none\n");
  } else {
    Print("id=%d class=%s\n", GetDlgCtrlID(info.hwndFocus), ClassOf(info.hwndFocus).c_str());
  }
  return kExitOk;
}

// The registry key named as reg.exe takes it: a root (HKLM, HKCU, HKU, HKCR or the long
// names) and a path.
HKEY OpenNamedKey(const std::string& name) {
  static const struct {
    const char* name;
    HKEY root;
  } kRoots[] = {{"HKLM", HKEY_LOCAL_MACHINE}, {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                {"HKCU", HKEY_CURRENT_USER},  {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                {"HKU", HKEY_USERS},          {"HKEY_USERS", HKEY_USERS},
                {"HKCR", HKEY_CLASSES_ROOT},  {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT}};
  const size_t slash = name.find('\\');
  const std::string root = name.substr(0, slash);
  const std::string path = slash == std::string::npos ? "" : name.substr(slash + 1);
  for (const auto& known : kRoots) {
    if (lstrcmpiA(root.c_str(), known.name) != 0) continue;
    HKEY key = nullptr;
    if (RegOpenKeyExA(known.root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      Fail(kExitFailed, "no key " + name);
    }
    return key;
  }
  Fail(kExitFailed, "no registry root " + root);
}

// Each value on a line as Wine's reg.exe query shows it: four spaces, the name ("(Default)"
// for the unnamed one), its type and its data, four spaces apart. A DWORD as 0x<hex>, a
// string up to its first NUL, a multi-string with "\0" between its strings, anything else
// as hex digits.
int RegQueryCommand(const Options& options) {
  Need(options, 1, "reg-query <key>");
  static const char* const kTypes[] = {"REG_NONE",
                                       "REG_SZ",
                                       "REG_EXPAND_SZ",
                                       "REG_BINARY",
                                       "REG_DWORD",
                                       "REG_DWORD_BIG_ENDIAN",
                                       "REG_LINK",
                                       "REG_MULTI_SZ",
                                       "REG_RESOURCE_LIST",
                                       "REG_FULL_RESOURCE_DESCRIPTOR",
                                       "REG_RESOURCE_REQUIREMENTS_LIST",
                                       "REG_QWORD"};
  HKEY key = OpenNamedKey(options.args[0]);
  std::string out;
  for (DWORD index = 0;; ++index) {
    char name[16384];
    DWORD nameLength = sizeof(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, nullptr, &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) {
      RegCloseKey(key);
      Fail(kExitFailed, "cannot read the values of " + options.args[0]);
    }
    std::vector<BYTE> data(size + 2, 0);
    DWORD got = size;
    if (RegQueryValueExA(key, name, nullptr, &type, data.data(), &got) != ERROR_SUCCESS) continue;
    out += "    ";
    out += nameLength == 0 ? "(Default)" : name;
    out += "    ";
    out += type < sizeof(kTypes) / sizeof(kTypes[0]) ? kTypes[type] : "REG_NONE";
    out += "    ";
    const char* bytes = reinterpret_cast<const char*>(data.data());
    if (type == REG_DWORD) {
      // The first four bytes, a shorter value padded with zeros, as reg.exe reads it.
      unsigned long value = 0;
      for (DWORD i = 0; i < 4 && i < got; ++i)
        value |= static_cast<unsigned long>(data[i]) << (8 * i);
      char text[16];
      std::snprintf(text, sizeof(text), "0x%lx", value);
      out += text;
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
      out += std::string(bytes, strnlen(bytes, got));
    } else if (type == REG_MULTI_SZ) {
      size_t at = 0;
      bool first = true;
      while (at < got && bytes[at] != '\0') {
        const size_t length = strnlen(bytes + at, got - at);
        if (!first) out += "\\0";
        out.append(bytes + at, length);
        first = false;
        at += length + 1;
      }
    } else {
      for (DWORD i = 0; i < got; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof(hex), "%02X", data[i]);
        out += hex;
      }
    }
    out += "\n";
  }
  RegCloseKey(key);
  Print("%s", out.c_str());
  return kExitOk;
}

int SvcStateCommand(const Options& options) {
  Need(options, 1, "svc-state <service>");
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) Fail(kExitFailed, "cannot open the service control manager");
  SC_HANDLE service = OpenServiceA(manager, options.args[0].c_str(), SERVICE_QUERY_STATUS);
  SERVICE_STATUS status{};
  const bool ok = service != nullptr && QueryServiceStatus(service, &status) != FALSE;
  const DWORD error = ok ? 0 : GetLastError();
  if (service != nullptr) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  if (!ok) {
    Fail(kExitFailed,
         "cannot query the service " + options.args[0] + ": error " + std::to_string(error));
  }
  Print("state=%lu type=%lu controls=%lu exit=%lu specific=%lu checkpoint=%lu wait=%lu\n",
        status.dwCurrentState, status.dwServiceType, status.dwControlsAccepted,
        status.dwWin32ExitCode, status.dwServiceSpecificExitCode, status.dwCheckPoint,
        status.dwWaitHint);
  return kExitOk;
}

int Run(int argc, char** argv) {
  if (argc < 2) {
    Fail(kExitFailed,
         "usage: qlrobot wait-window|wait-gone|list|get-text|set-text|click|msgbox|sheet|"
         "lv-click|key|screenshot|menu|menu-list|top-list|focus|reg-query|svc-state|hold ...");
  }
  std::string command = argv[1];
  Options options = Parse(argc, argv);
  if (command == "hold") return HoldCommand(options);
  if (command == "msgbox") return MessageBoxCommand(options);
  if (command == "sheet") return SheetCommand(options);
  if (command == "lv-click") return ListViewClickCommand(options);
  if (command == "key") return KeyCommand(options);
  if (command == "top-list") return TopListCommand(options);
  if (command == "focus") return FocusCommand(options);
  if (command == "reg-query") return RegQueryCommand(options);
  if (command == "svc-state") return SvcStateCommand(options);
  if (command == "screenshot") return ScreenshotCommand(options);
  if (command == "menu") return MenuCommand(options, false);
  if (command == "menu-list") return MenuCommand(options, true);
  if (command == "wait-window") {
    Need(options, 1, "wait-window <caption> [-t seconds]");
    HWND window = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
    Print("%p\n", static_cast<void*>(window));
    return kExitOk;
  }
  if (command == "wait-gone") {
    Need(options, 1, "wait-gone <caption> [-t seconds]");
    DWORD start = GetTickCount();
    while (FindTopWindow(options.args[0].c_str()) != nullptr) {
      if (GetTickCount() - start >= options.timeoutMs) {
        Fail(kExitTimeout, "timeout: window \"" + options.args[0] + "\" still there after " +
                               std::to_string(options.timeoutMs / 1000) + " s");
      }
      Sleep(100);
    }
    return kExitOk;
  }
  if (command == "list") {
    Need(options, 1, "list <caption> [-t seconds]");
    HWND top = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
    Print("window class=%s text=\"%s\" enabled=%d\n", ClassOf(top).c_str(),
          Escape(TextOf(top)).c_str(), IsWindowEnabled(top) ? 1 : 0);
    EnumChildWindows(top, PrintChildProc, 0);
    return kExitOk;
  }
  if (command == "get-text") {
    Need(options, 2, "get-text <caption> <id> [-t seconds]");
    HWND top = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
    Print("%s\n", TextOf(FindControl(top, ParseInt(options.args[1], "id"))).c_str());
    return kExitOk;
  }
  if (command == "set-text") {
    Need(options, 3, "set-text <caption> <id> <text>");
    HWND top = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
    HWND control = FindControl(top, ParseInt(options.args[1], "id"));
    if (!SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(options.args[2].c_str()))) {
      Fail(kExitFailed, "the control refused the text");
    }
    return kExitOk;
  }
  if (command == "click") {
    Need(options, 2, "click <caption> <id>");
    HWND top = WaitTopWindow(options.args[0].c_str(), options.timeoutMs);
    Click(FindControl(top, ParseInt(options.args[1], "id")));
    return kExitOk;
  }
  Fail(kExitFailed, "unknown command: " + command);
}

// ------------------------------------------------------------------------- serving

// A request is a file <name>.req in the served folder: the command's arguments, each ended by
// a NUL, as on a command line after "qlrobot". The server claims it by renaming it to
// <name>.run, runs it on a thread of its own (a command may wait for minutes while others
// go on) and leaves <name>.out (what the command printed) and <name>.err (its complaint,
// "qlrobot: ..."), then <name>.rc with the exit status, written last and under its final
// name by a rename, so that a client that sees it finds the rest complete.
struct Request {
  std::string base;  // folder\name, without the extension
  std::vector<std::string> args;
};

bool ReadWhole(const std::string& path, std::string& data) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD size = GetFileSize(file, nullptr);
  bool ok = size != INVALID_FILE_SIZE && size <= 1024 * 1024;
  if (ok) {
    data.assign(size, '\0');
    DWORD got = 0;
    ok = size == 0 || (ReadFile(file, data.data(), size, &got, nullptr) && got == size);
  }
  CloseHandle(file);
  return ok;
}

bool WriteWhole(const std::string& path, const std::string& data) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = data.empty() || (WriteFile(file, data.data(), static_cast<DWORD>(data.size()),
                                             &written, nullptr) &&
                                   written == data.size());
  CloseHandle(file);
  return ok;
}

DWORD WINAPI ServeRequest(LPVOID parameter) {
  std::unique_ptr<Request> request(static_cast<Request*>(parameter));
  std::string answer;
  std::string complaint;
  int code = kExitFailed;
  std::vector<char*> argv;
  std::string program = "qlrobot";
  argv.push_back(program.data());
  for (std::string& arg : request->args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  tAnswer = &answer;
  try {
    if (request->args.empty() || request->args[0] == "hold") {
      Fail(kExitFailed, "a served request names a command other than hold");
    }
    code = Run(static_cast<int>(argv.size() - 1), argv.data());
  } catch (const Failure& failure) {
    code = failure.code;
    complaint = "qlrobot: " + failure.message + "\n";
  } catch (const std::exception& error) {
    complaint = std::string("qlrobot: ") + error.what() + "\n";
  }
  tAnswer = nullptr;
  WriteWhole(request->base + ".out", answer);
  WriteWhole(request->base + ".err", complaint);
  if (WriteWhole(request->base + ".rc.tmp", std::to_string(code) + "\n")) {
    MoveFileA((request->base + ".rc.tmp").c_str(), (request->base + ".rc").c_str());
  }
  DeleteFileA((request->base + ".run").c_str());
  return 0;
}

// Claims and starts every request waiting in the folder.
void ServeWaiting(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*.req").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    names.emplace_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  for (const std::string& name : names) {
    auto request = std::make_unique<Request>();
    request->base = folder + "\\" + name.substr(0, name.size() - 4);
    const std::string claimed = request->base + ".run";
    if (!MoveFileA((folder + "\\" + name).c_str(), claimed.c_str())) continue;
    std::string data;
    if (!ReadWhole(claimed, data)) data.clear();
    size_t start = 0;
    for (size_t end; (end = data.find('\0', start)) != std::string::npos; start = end + 1) {
      request->args.push_back(data.substr(start, end - start));
    }
    HANDLE thread = CreateThread(nullptr, 0, ServeRequest, request.get(), 0, nullptr);
    if (thread != nullptr) {
      request.release();
      CloseHandle(thread);
    } else {
      // Answered at once, so that the client does not wait for nothing.
      WriteWhole(request->base + ".err", "qlrobot: cannot start a thread for the request\n");
      WriteWhole(request->base + ".rc", std::to_string(kExitFailed) + "\n");
    }
  }
}

// Watches the folder for requests: woken by a change notification where the system gives
// one, and every 100 ms in any case.
DWORD WINAPI ServeLoop(LPVOID parameter) {
  const std::string folder = *static_cast<std::string*>(parameter);
  delete static_cast<std::string*>(parameter);
  HANDLE change = FindFirstChangeNotificationA(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
  for (;;) {
    ServeWaiting(folder);
    if (change != INVALID_HANDLE_VALUE) {
      WaitForSingleObject(change, 100);
      FindNextChangeNotification(change);
    } else {
      Sleep(20);
    }
  }
}

bool StartServing(const std::string& folder) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }
  auto* argument = new std::string(folder);
  HANDLE thread = CreateThread(nullptr, 0, ServeLoop, argument, 0, nullptr);
  if (thread == nullptr) {
    delete argument;
    return false;
  }
  CloseHandle(thread);
  return WriteWhole(folder + "\\ready", std::to_string(GetCurrentProcessId()) + "\n");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    int code = Run(argc, argv);
    std::fflush(stdout);
    return code;
  } catch (const Failure& failure) {
    std::fflush(stdout);
    std::fprintf(stderr, "qlrobot: %s\n", failure.message.c_str());
    return failure.code;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "qlrobot: %s\n", error.what());
    return kExitFailed;
  }
}
