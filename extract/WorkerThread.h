// A thread with a running flag: Start launches Run on a new thread, Stop clears the flag and
// waits for the thread to end. Run reads the flag between units of work.
#pragma once

#include <windows.h>

#include <atomic>

#include "common/Handles.h"

namespace pictrove {

class WorkerThread {
public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    // The derived class must Stop() in its own destructor, while the members Run uses still live.
    virtual ~WorkerThread() = default;

    // Sets the flag and starts the thread, unless it already runs. When the thread cannot be
    // made, the flag stays set with no thread, and Stop returns at once.
    void Start();
    // Clears the flag and waits, without a time limit, for the thread to end.
    void Stop();

    bool IsRunning() const { return running_.load() != 0; }
    bool HasThread() const { return static_cast<bool>(thread_); }

protected:
    virtual DWORD Run() = 0;

private:
    static DWORD WINAPI Entry(void* self);

    UniqueHandle thread_;
    std::atomic<int> running_{0};
};

}  // namespace pictrove
