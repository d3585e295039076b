// Only one tuning engine runs at a time. The guard is a mutex named after the program's own
// file name, exactly as it appears in the program's path (letter case included), so a copy
// started under a name that differs only in case is a different instance.
#pragma once

#include <string>
#include <string_view>

#include "platform/threads.h"
#include "platform/types.h"

namespace ql::tune {

// The file-name part of the program's path, extension included, as written there.
[[nodiscard]] std::string InstanceName(std::string_view programPath);

// The title a second instance looks for among the top-level windows: the instance name
// without its last four characters when the name contains ".EXE" in upper case, else empty.
[[nodiscard]] std::string SearchTitle(std::string_view instanceName);

// The title given to a window found at the first search.
inline constexpr char kRenamedTitle[] = "something else";

class InstanceGuard {
 public:
  // Creates the mutex named instanceName, owned from creation. When the name was taken the
  // handle is closed at once and AnotherRuns() is true; otherwise the handle (and with it the
  // ownership) is kept until the guard goes. A mutex that cannot be created at all counts as
  // the only instance.
  InstanceGuard(Threads& threads, std::string_view instanceName);
  ~InstanceGuard();
  InstanceGuard(const InstanceGuard&) = delete;
  InstanceGuard& operator=(const InstanceGuard&) = delete;

  [[nodiscard]] bool AnotherRuns() const { return anotherRuns_; }

 private:
  Threads& threads_;
  Handle mutex_ = kNullHandle;
  bool anotherRuns_ = false;
};

// The top-level windows as the second instance sees them.
class TopWindows {
 public:
  virtual ~TopWindows() = default;
  virtual WindowRef Find(std::string_view title) = 0;                   // FindWindowA(NULL, title)
  virtual void SetTitle(WindowRef window, std::string_view title) = 0;  // SetWindowTextA
  virtual bool IsIconic(WindowRef window) = 0;
  virtual void Restore(WindowRef window) = 0;     // ShowWindow(SW_RESTORE)
  virtual void BringToTop(WindowRef window) = 0;  // BringWindowToTop
};

// What a second instance does before it ends: a window with the search title is renamed
// "something else"; a window that still carries the title after that is restored when
// minimised and otherwise brought to the top. An empty search title searches for nothing:
// every window without a title would match it, and none of them is the first instance.
void BringForwardFirstInstance(TopWindows& windows, std::string_view searchTitle);

}  // namespace ql::tune
