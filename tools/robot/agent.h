// The robot's agent: a DLL that the robot's window hook loads into a target process, where it
// reads and drives the target's menus and reads its list views (menus cannot be read from
// another process under Wine, and list views write their answers into their own memory,
// which another process cannot always read or write: not under emulation). Robot and agent talk
// through one named shared block; the robot sends the target window a registered message, the hook
// sees it before the window does and answers in place.
//
// Keys: a program reads Shift, Ctrl and Alt with GetKeyState, the key state of its own thread,
// which a posted key message does not change. For a key with modifiers the robot hooks the
// target thread's message retrieval (WH_GETMESSAGE) and posts the key; the agent marks the
// modifiers down in that thread's key state when the key's WM_KEYDOWN is taken from the queue
// and puts them back when its WM_KEYUP is, so the program sees them while it handles the key.
#pragma once

#include <windows.h>

namespace ql::robot {

inline constexpr char kAgentMessage[] = "QlRobotAgentRequest";
inline constexpr char kAgentMapping[] = "QlRobotAgentBlock";
inline constexpr char kAgentDll[] = "qlagent.dll";
inline constexpr char kAgentHook[] = "AgentHook";
// The WH_GETMESSAGE hook that holds modifier keys down around one posted key.
inline constexpr char kAgentKeyHook[] = "AgentKeyHook";

inline constexpr DWORD kAgentList = 1;      // print the menu bar's tree
inline constexpr DWORD kAgentInvoke = 2;    // choose the command at path[0] > path[1] > ...
inline constexpr DWORD kAgentListView = 3;  // the list view's items, one line each
inline constexpr DWORD kAgentItemRect = 4;  // an item's label rectangle: "left top right bottom"
inline constexpr DWORD kAgentKey = 5;       // modifiers held while the window takes key `item`

// Modifier keys of kAgentKey.
inline constexpr DWORD kAgentShift = 1;
inline constexpr DWORD kAgentControl = 2;
inline constexpr DWORD kAgentAlt = 4;

inline constexpr int kAgentMaxDepth = 8;
inline constexpr int kAgentTextRoom = 128;
inline constexpr int kAgentAnswerRoom = 32768;

struct AgentBlock {
  DWORD command;
  HWND window;
  DWORD depth;
  char path[kAgentMaxDepth][kAgentTextRoom];
  int item;
  DWORD modifiers;  // kAgentKey: kAgentShift | kAgentControl | kAgentAlt
  // Filled by the agent: done is set last.
  DWORD done;
  DWORD ok;
  DWORD commandId;
  DWORD keyDown;  // kAgentKey: the key went down with the modifiers held
  BYTE saved[6];  // kAgentKey: the modifier keys' states before (see agent.cpp)
  char answer[kAgentAnswerRoom];
};

}  // namespace ql::robot
