// The robot's agent: a DLL that the robot's window hook loads into a target process, where it
// reads and drives the target's menus and reads its list views (menus cannot be read from
// another process under Wine, and list views write their answers into their own memory,
// which another process cannot always read or write: not under emulation). Robot and agent talk
// through one named shared block; the robot sends the target window a registered message, the hook
// sees it before the window does and answers in place.
#pragma once

#include <windows.h>

namespace ql::robot {

inline constexpr char kAgentMessage[] = "QlRobotAgentRequest";
inline constexpr char kAgentMapping[] = "QlRobotAgentBlock";
inline constexpr char kAgentDll[] = "qlagent.dll";
inline constexpr char kAgentHook[] = "AgentHook";

inline constexpr DWORD kAgentList = 1;      // print the menu bar's tree
inline constexpr DWORD kAgentInvoke = 2;    // choose the command at path[0] > path[1] > ...
inline constexpr DWORD kAgentListView = 3;  // the list view's items, one line each
inline constexpr DWORD kAgentItemRect = 4;  // an item's label rectangle: "left top right bottom"

inline constexpr int kAgentMaxDepth = 8;
inline constexpr int kAgentTextRoom = 128;
inline constexpr int kAgentAnswerRoom = 32768;

struct AgentBlock {
  DWORD command;
  HWND window;
  DWORD depth;
  char path[kAgentMaxDepth][kAgentTextRoom];
  int item;
  // Filled by the agent: done is set last.
  DWORD done;
  DWORD ok;
  DWORD commandId;
  char answer[kAgentAnswerRoom];
};

}  // namespace ql::robot
