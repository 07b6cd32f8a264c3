// A thread with a running flag: Start launches Run on a new thread, Stop clears the flag and
// waits for the thread to end. Run reads the flag between units of work.
#pragma once

#include <windows.h>

#include <atomic>

#include "common/Handles.h"

namespace pictrove {

// How worker threads are made: CreateThread with default security and stack, starting at once.
// A test puts a failing one in place to see what the user meets when no thread can be made.
using ThreadCreator = HANDLE (*)(LPTHREAD_START_ROUTINE entry, void* parameter);
// Returns the creator that was in place; nullptr restores the system's.
ThreadCreator SetThreadCreator(ThreadCreator creator);

class WorkerThread {
  public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    // The derived class must Stop() in its own destructor, while the members Run uses still live.
    virtual ~WorkerThread() = default;

    // Sets the flag and starts the thread, unless it already runs. When the thread cannot be
    // made the flag is cleared again, StartError() tells why, and false comes back.
    bool Start();
    // Clears the flag and waits, without a time limit, for the thread to end.
    void Stop();

    bool IsRunning() const { return running_.load() != 0; }
    bool HasThread() const { return static_cast<bool>(thread_); }
    DWORD StartError() const { return startError_; }

  protected:
    virtual DWORD Run() = 0;

  private:
    static DWORD WINAPI Entry(void* self);

    UniqueHandle thread_;
    std::atomic<int> running_{0};
    DWORD startError_ = 0;
};

}  // namespace pictrove
