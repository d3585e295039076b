#include "sim/sim_threads.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace ql::sim {

SimThreads::~SimThreads() = default;

Handle SimThreads::NewHandle(Object object) {
  const Handle handle = nextHandle_;
  nextHandle_ += 4;
  handles_.emplace(handle, std::move(object));
  return handle;
}

Handle SimThreads::CreateThread(ThreadProc proc, Status* error) {
  if (const Status status = createThreadFaults.OnCall(); status != err::kSuccess) {
    if (error != nullptr) *error = status;
    return kNullHandle;
  }
  if (!proc) {
    if (error != nullptr) *error = err::kInvalidParameter;
    return kNullHandle;
  }
  ThreadInfo info;
  info.start = clock_.Now();
  // Run on a forked timeline; put the clock back whatever happens.
  struct Restore {
    SimClock& clock;
    std::uint64_t at;
    ~Restore() { clock.Set(at); }
  } restore{clock_, info.start};
  info.exitCode = proc();
  info.end = clock_.Now();

  const std::size_t index = threads_.size();
  threads_.push_back(info);
  Object object{Kind::kThread, index, nullptr, nullptr};
  const Handle handle = NewHandle(std::move(object));
  threads_[index].handle = handle;
  if (error != nullptr) *error = err::kSuccess;
  return handle;
}

bool SimThreads::Signalled(const Object& object) const {
  switch (object.kind) {
    case Kind::kThread:
      return threads_[object.thread].end <= clock_.Now();
    case Kind::kEvent:
      return object.event->signalled;
    case Kind::kMutex:
      return !object.mutex->foreignOwned;
  }
  return false;
}

std::uint32_t SimThreads::WaitForSingleObject(Handle handle, std::uint32_t milliseconds) {
  const std::uint64_t start = clock_.Now();
  auto finish = [&](std::uint32_t result) {
    waits_.push_back({handle, milliseconds, result, start, clock_.Now()});
    return result;
  };
  auto it = handles_.find(handle);
  if (it == handles_.end()) return finish(wait::kFailed);

  if (it->second.kind == Kind::kThread) {
    const std::uint64_t end = threads_[it->second.thread].end;
    if (end <= clock_.Now()) return finish(wait::kObject0);
    if (milliseconds == wait::kInfinite || end <= clock_.Now() + milliseconds) {
      clock_.Set(end);
      return finish(wait::kObject0);
    }
    clock_.Advance(milliseconds);
    return finish(wait::kTimeout);
  }

  auto satisfy = [&](Object& object) {
    if (object.kind == Kind::kEvent && !object.event->manualReset) object.event->signalled = false;
    return finish(wait::kObject0);
  };
  if (Signalled(it->second)) return satisfy(it->second);
  if (onBlock) {
    onBlock(handle, milliseconds);
    it = handles_.find(handle);  // the hook may have closed it
    if (it == handles_.end()) return finish(wait::kFailed);
    if (Signalled(it->second)) return satisfy(it->second);
  }
  if (milliseconds == wait::kInfinite) {
    std::ostringstream message;
    message << "deadlock: wait without time limit on handle " << handle << " at " << clock_.Now()
            << " ms, which nothing can signal any more\n"
            << ToString();
    finish(wait::kFailed);
    throw SimDeadlock(message.str());
  }
  clock_.Advance(milliseconds);
  return finish(wait::kTimeout);
}

bool SimThreads::GetExitCodeThread(Handle thread, std::uint32_t* code, Status* error) {
  if (const Status status = exitCodeFaults.OnCall(); status != err::kSuccess) {
    if (error != nullptr) *error = status;
    return false;
  }
  auto it = handles_.find(thread);
  if (it == handles_.end() || it->second.kind != Kind::kThread) {
    if (error != nullptr) *error = err::kInvalidHandle;
    return false;
  }
  if (code == nullptr) {
    if (error != nullptr) *error = simerr::kNoAccess;
    return false;
  }
  const ThreadInfo& info = threads_[it->second.thread];
  *code = info.end <= clock_.Now() ? info.exitCode : wait::kStillActive;
  return true;
}

bool SimThreads::TerminateThread(Handle thread, std::uint32_t code) {
  auto it = handles_.find(thread);
  if (it == handles_.end() || it->second.kind != Kind::kThread) return false;
  ThreadInfo& info = threads_[it->second.thread];
  if (info.end > clock_.Now()) {
    // Its work already happened on its own timeline; what changes is when it counts as
    // ended, and with which code.
    info.end = clock_.Now();
    info.exitCode = code;
    info.terminated = true;
    info.terminateCode = code;
  }
  return true;  // terminating an ended thread is allowed and changes nothing
}

void SimThreads::Sleep(std::uint32_t milliseconds) {
  sleeps_.push_back(milliseconds);
  clock_.Advance(milliseconds);
}

Handle SimThreads::CreateEvent(bool manualReset, bool initialState, Status* error) {
  if (const Status status = createEventFaults.OnCall(); status != err::kSuccess) {
    if (error != nullptr) *error = status;
    return kNullHandle;
  }
  auto event = std::make_shared<Event>();
  event->manualReset = manualReset;
  event->signalled = initialState;
  if (error != nullptr) *error = err::kSuccess;
  return NewHandle(Object{Kind::kEvent, 0, std::move(event), nullptr});
}

bool SimThreads::SetEvent(Handle event) {
  auto it = handles_.find(event);
  if (it == handles_.end() || it->second.kind != Kind::kEvent) return false;
  it->second.event->signalled = true;
  ++it->second.event->sets;
  return true;
}

bool SimThreads::ResetEvent(Handle event) {
  auto it = handles_.find(event);
  if (it == handles_.end() || it->second.kind != Kind::kEvent) return false;
  it->second.event->signalled = false;
  return true;
}

Handle SimThreads::CreateMutex(bool initialOwner, std::string_view name, Status* error) {
  (void)initialOwner;  // one thread of control: ownership by this process never blocks it
  if (const Status status = createMutexFaults.OnCall(); status != err::kSuccess) {
    if (error != nullptr) *error = status;
    return kNullHandle;
  }
  std::shared_ptr<Mutex> mutex;
  Status last = err::kSuccess;
  if (!name.empty()) {
    auto found = mutexes_.find(std::string(name));
    if (found != mutexes_.end()) {
      mutex = found->second;
      last = err::kAlreadyExists;
    }
  }
  if (!mutex) {
    mutex = std::make_shared<Mutex>();
    mutex->name = std::string(name);
    if (!name.empty()) mutexes_[mutex->name] = mutex;
  }
  ++mutex->handles;
  if (error != nullptr) *error = last;
  return NewHandle(Object{Kind::kMutex, 0, nullptr, std::move(mutex)});
}

void SimThreads::ReleaseMutexRef(const std::shared_ptr<Mutex>& mutex) {
  if (mutex->handles == 0 && !mutex->foreign && !mutex->name.empty()) mutexes_.erase(mutex->name);
}

void SimThreads::AddForeignMutex(std::string name, bool owned) {
  auto& mutex = mutexes_[name];
  if (!mutex) {
    mutex = std::make_shared<Mutex>();
    mutex->name = name;
  }
  mutex->foreign = true;
  mutex->foreignOwned = owned;
}

void SimThreads::RemoveForeignMutex(const std::string& name) {
  auto it = mutexes_.find(name);
  if (it == mutexes_.end()) return;
  auto mutex = it->second;
  mutex->foreign = false;
  mutex->foreignOwned = false;
  ReleaseMutexRef(mutex);
}

bool SimThreads::CloseHandle(Handle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) {
    ++badCloses_;
    return false;
  }
  std::shared_ptr<Mutex> mutex = it->second.mutex;
  handles_.erase(it);
  if (mutex) {
    --mutex->handles;
    ReleaseMutexRef(mutex);
  }
  return true;
}

std::size_t SimThreads::OpenHandleCount(Kind kind) const {
  return static_cast<std::size_t>(
      std::count_if(handles_.begin(), handles_.end(),
                    [&](const auto& entry) { return entry.second.kind == kind; }));
}

const SimThreads::ThreadInfo* SimThreads::Thread(Handle handle) const {
  for (const auto& info : threads_) {
    if (info.handle == handle) return &info;
  }
  return nullptr;
}

std::vector<Handle> SimThreads::Terminated() const {
  std::vector<Handle> out;
  for (const auto& info : threads_) {
    if (info.terminated) out.push_back(info.handle);
  }
  return out;
}

bool SimThreads::IsSignalled(Handle event) const {
  auto it = handles_.find(event);
  return it != handles_.end() && it->second.kind == Kind::kEvent && it->second.event->signalled;
}

std::uint32_t SimThreads::SetEventCount(Handle event) const {
  auto it = handles_.find(event);
  return (it != handles_.end() && it->second.kind == Kind::kEvent) ? it->second.event->sets : 0;
}

bool SimThreads::MutexExists(const std::string& name) const { return mutexes_.count(name) != 0; }

std::string SimThreads::ToString() const {
  std::ostringstream out;
  out << "threads: " << handles_.size() << " open handles, " << badCloses_ << " bad closes, "
      << threads_.size() << " threads created\n";
  for (const auto& [handle, object] : handles_) {
    out << "  handle " << handle << ": ";
    switch (object.kind) {
      case Kind::kThread: {
        const ThreadInfo& info = threads_[object.thread];
        out << "thread " << info.start << ".." << info.end << " ms, exit " << info.exitCode
            << (info.terminated ? " (terminated)" : "");
        break;
      }
      case Kind::kEvent:
        out << (object.event->manualReset ? "manual" : "auto") << "-reset event, "
            << (object.event->signalled ? "signalled" : "not signalled");
        break;
      case Kind::kMutex:
        out << "mutex \"" << object.mutex->name << "\"";
        break;
    }
    out << "\n";
  }
  return out.str();
}

}  // namespace ql::sim
