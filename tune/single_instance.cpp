#include "tune/single_instance.h"

namespace ql::tune {

std::string InstanceName(std::string_view programPath) {
  const auto slash = programPath.find_last_of("\\/:");
  return std::string(slash == std::string_view::npos ? programPath : programPath.substr(slash + 1));
}

std::string SearchTitle(std::string_view instanceName) {
  if (instanceName.find(".EXE") == std::string_view::npos || instanceName.size() < 4) return {};
  return std::string(instanceName.substr(0, instanceName.size() - 4));
}

InstanceGuard::InstanceGuard(Threads& threads, std::string_view instanceName) : threads_(threads) {
  Status error = err::kSuccess;
  const Handle mutex = threads_.CreateMutex(true, instanceName, &error);
  if (mutex == kNullHandle) return;
  if (error == err::kAlreadyExists) {
    anotherRuns_ = true;
    (void)threads_.CloseHandle(mutex);
    return;
  }
  mutex_ = mutex;
}

InstanceGuard::~InstanceGuard() {
  if (mutex_ != kNullHandle) (void)threads_.CloseHandle(mutex_);
}

void BringForwardFirstInstance(TopWindows& windows, std::string_view searchTitle) {
  if (searchTitle.empty()) return;
  if (const WindowRef first = windows.Find(searchTitle); first != kNoWindow) {
    windows.SetTitle(first, kRenamedTitle);
  }
  const WindowRef window = windows.Find(searchTitle);
  if (window == kNoWindow) return;
  if (windows.IsIconic(window)) {
    windows.Restore(window);
  } else {
    windows.BringToTop(window);
  }
}

}  // namespace ql::tune
