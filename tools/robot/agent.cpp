// qlagent.dll: runs inside the target process (see agent.h). It opens the menus the way a
// user's click would (WM_INITMENU, then WM_INITMENUPOPUP for each popup on the way, so the
// program updates enabled and checked states first), checks the chosen item and posts its
// WM_COMMAND; or it prints the whole menu tree. It holds modifier keys down around a posted
// key (see agent.h).
#include "tools/robot/agent.h"

// After windows.h (through agent.h), which it builds on.
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

using ql::robot::AgentBlock;

UINT AgentMessage() {
  static UINT message = RegisterWindowMessageA(ql::robot::kAgentMessage);
  return message;
}

// The item's text without its accelerator part ("\tCtrl+S") and without the '&' marks.
void PlainText(HMENU menu, int index, char* out, int room) {
  char raw[ql::robot::kAgentTextRoom] = {};
  GetMenuStringA(menu, static_cast<UINT>(index), raw, sizeof(raw), MF_BYPOSITION);
  int n = 0;
  for (const char* p = raw; *p != '\0' && *p != '\t' && n + 1 < room; ++p) {
    if (*p == '&') {
      if (p[1] != '&') continue;
      ++p;
    }
    out[n++] = *p;
  }
  out[n] = '\0';
}

void Append(AgentBlock* block, const char* text) {
  size_t used = std::strlen(block->answer);
  size_t room = sizeof(block->answer) - used - 1;
  std::strncat(block->answer + used, text, room);
}

void ListMenu(AgentBlock* block, HWND window, HMENU menu, int depth) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    char text[ql::robot::kAgentTextRoom];
    PlainText(menu, i, text, sizeof(text));
    char line[ql::robot::kAgentTextRoom + 96];
    HMENU sub = GetSubMenu(menu, i);
    if (state & MF_SEPARATOR) {
      std::snprintf(line, sizeof(line), "%*s-\n", depth * 2, "");
    } else {
      std::snprintf(line, sizeof(line), "%*s\"%s\" id=%d enabled=%d checked=%d%s\n", depth * 2, "",
                    text, sub ? -1 : static_cast<int>(GetMenuItemID(menu, i)),
                    (state & (MF_GRAYED | MF_DISABLED)) ? 0 : 1, (state & MF_CHECKED) ? 1 : 0,
                    sub ? " popup" : "");
    }
    Append(block, line);
    if (sub != nullptr) {
      SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub),
                   MAKELPARAM(static_cast<WORD>(i), FALSE));
      ListMenu(block, window, sub, depth + 1);
    }
  }
}

void Invoke(AgentBlock* block, HWND window, HMENU menu) {
  for (DWORD level = 0; level < block->depth; ++level) {
    int count = GetMenuItemCount(menu);
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i) {
      char text[ql::robot::kAgentTextRoom];
      PlainText(menu, i, text, sizeof(text));
      if (lstrcmpiA(text, block->path[level]) == 0) found = i;
    }
    if (found < 0) {
      std::snprintf(block->answer, sizeof(block->answer), "no menu item \"%s\"",
                    block->path[level]);
      return;
    }
    UINT state = GetMenuState(menu, static_cast<UINT>(found), MF_BYPOSITION);
    if (state & (MF_GRAYED | MF_DISABLED)) {
      std::snprintf(block->answer, sizeof(block->answer), "menu item \"%s\" is disabled",
                    block->path[level]);
      return;
    }
    HMENU sub = GetSubMenu(menu, found);
    bool last = level + 1 == block->depth;
    if (last) {
      if (sub != nullptr) {
        std::snprintf(block->answer, sizeof(block->answer), "\"%s\" opens a menu, not a command",
                      block->path[level]);
        return;
      }
      UINT id = GetMenuItemID(menu, found);
      block->commandId = id;
      block->ok = 1;
      std::snprintf(block->answer, sizeof(block->answer), "id=%u", id);
      // Posted, as a user's choice: the command may open a modal window.
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
      return;
    }
    if (sub == nullptr) {
      std::snprintf(block->answer, sizeof(block->answer), "\"%s\" is a command, not a menu",
                    block->path[level]);
      return;
    }
    SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub),
                 MAKELPARAM(static_cast<WORD>(found), FALSE));
    menu = sub;
  }
}

// Texts on one line, as the robot prints them: backslash escapes.
void AppendEscaped(AgentBlock* block, const char* text) {
  char out[ql::robot::kAgentTextRoom * 2 + 1];
  size_t n = 0;
  for (const char* p = text; *p != '\0' && n + 2 < sizeof(out); ++p) {
    const char* escape = *p == '\r'   ? "\\r"
                         : *p == '\n' ? "\\n"
                         : *p == '\t' ? "\\t"
                         : *p == '\\' ? "\\\\"
                         : *p == '"'  ? "\\\""
                                      : nullptr;
    if (escape != nullptr) {
      out[n++] = escape[0];
      out[n++] = escape[1];
    } else {
      out[n++] = *p;
    }
  }
  out[n] = '\0';
  Append(block, out);
}

// item[<i>]="<text>"|"<sub-item>"... [selected] [focused], one line per item.
void ListViewItems(AgentBlock* block, HWND list) {
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  int columns =
      header != nullptr ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
  if (columns < 1) columns = 1;
  for (int i = 0; i < count; ++i) {
    char line[32];
    std::snprintf(line, sizeof(line), "  item[%d]=", i);
    Append(block, line);
    for (int c = 0; c < columns; ++c) {
      char text[ql::robot::kAgentTextRoom] = {};
      LVITEMA item{};
      item.iSubItem = c;
      item.pszText = text;
      item.cchTextMax = sizeof(text);
      SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      Append(block, c ? "|\"" : "\"");
      AppendEscaped(block, text);
      Append(block, "\"");
    }
    auto state = static_cast<UINT>(
        SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED | LVIS_FOCUSED));
    if (state & LVIS_SELECTED) Append(block, " selected");
    if (state & LVIS_FOCUSED) Append(block, " focused");
    Append(block, "\n");
  }
  block->ok = 1;
}

void ItemRect(AgentBlock* block, HWND list) {
  SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(block->item), FALSE);
  RECT rect{};
  rect.left = LVIR_LABEL;
  if (!SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(block->item),
                    reinterpret_cast<LPARAM>(&rect))) {
    std::snprintf(block->answer, sizeof(block->answer), "the list view has no item %d",
                  block->item);
    return;
  }
  std::snprintf(block->answer, sizeof(block->answer), "%ld %ld %ld %ld", rect.left, rect.top,
                rect.right, rect.bottom);
  block->ok = 1;
}

void Serve(HWND window) {
  HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, ql::robot::kAgentMapping);
  if (mapping == nullptr) return;
  auto* block = static_cast<AgentBlock*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (block != nullptr) {
    if (block->window == window && !block->done) {
      block->answer[0] = '\0';
      block->ok = 0;
      HMENU menu = GetMenu(window);
      if (block->command == ql::robot::kAgentListView) {
        ListViewItems(block, window);
      } else if (block->command == ql::robot::kAgentItemRect) {
        ItemRect(block, window);
      } else if (menu == nullptr) {
        std::snprintf(block->answer, sizeof(block->answer), "the window has no menu");
      } else {
        SendMessageA(window, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
        if (block->command == ql::robot::kAgentList) {
          ListMenu(block, window, menu, 0);
          block->ok = 1;
        } else if (block->depth == 0 || block->depth > ql::robot::kAgentMaxDepth) {
          std::snprintf(block->answer, sizeof(block->answer), "no menu path");
        } else {
          Invoke(block, window, menu);
        }
      }
      block->done = 1;
    }
    UnmapViewOfFile(block);
  }
  CloseHandle(mapping);
}

// The keys each modifier holds down: the generic key and its left-hand one, as a keyboard does.
constexpr struct {
  DWORD modifier;
  BYTE key;
} kModifierKeys[6] = {
    {ql::robot::kAgentShift, VK_SHIFT},     {ql::robot::kAgentShift, VK_LSHIFT},
    {ql::robot::kAgentControl, VK_CONTROL}, {ql::robot::kAgentControl, VK_LCONTROL},
    {ql::robot::kAgentAlt, VK_MENU},        {ql::robot::kAgentAlt, VK_LMENU}};

// A key message taken from the queue (not merely looked at): the robot's key goes down with
// its modifiers held, and comes up with them put back as they were.
void KeyTaken(const MSG& message) {
  bool down = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
  bool up = message.message == WM_KEYUP || message.message == WM_SYSKEYUP;
  if (!down && !up) return;
  HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, ql::robot::kAgentMapping);
  if (mapping == nullptr) return;
  auto* block = static_cast<AgentBlock*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (block != nullptr && block->command == ql::robot::kAgentKey && !block->done &&
      block->window == message.hwnd && message.wParam == static_cast<WPARAM>(block->item)) {
    BYTE state[256] = {};
    if (!GetKeyboardState(state)) {
      std::snprintf(block->answer, sizeof(block->answer), "cannot read the key state");
      block->done = 1;
    } else if (down && !block->keyDown) {
      for (size_t i = 0; i < std::size(kModifierKeys); ++i) {
        block->saved[i] = state[kModifierKeys[i].key];
        if (block->modifiers & kModifierKeys[i].modifier) state[kModifierKeys[i].key] |= 0x80;
      }
      block->keyDown = 1;
      if (!SetKeyboardState(state)) {
        std::snprintf(block->answer, sizeof(block->answer), "cannot set the key state");
        block->done = 1;
      }
    } else if (up && block->keyDown) {
      for (size_t i = 0; i < std::size(kModifierKeys); ++i) {
        if (block->modifiers & kModifierKeys[i].modifier) {
          state[kModifierKeys[i].key] = block->saved[i];
        }
      }
      block->ok = SetKeyboardState(state) ? 1 : 0;
      if (!block->ok) {
        std::snprintf(block->answer, sizeof(block->answer), "cannot set the key state");
      }
      block->done = 1;
    }
  }
  if (block != nullptr) UnmapViewOfFile(block);
  CloseHandle(mapping);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    AgentKeyHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE && lParam != 0) {
    KeyTaken(*reinterpret_cast<const MSG*>(lParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK
    AgentHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (message != nullptr && message->message == AgentMessage()) Serve(message->hwnd);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
