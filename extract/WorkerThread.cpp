// Thread start and join for WorkerThread.
#include "extract/WorkerThread.h"

namespace pictrove {

void WorkerThread::Start() {
    if (running_.load() != 0) return;
    running_.store(1);
    thread_.Reset(CreateThread(nullptr, 0, &WorkerThread::Entry, this, 0, nullptr));
}

void WorkerThread::Stop() {
    if (running_.load() == 0) return;
    running_.store(0);
    if (thread_) {
        WaitForSingleObject(thread_.Get(), INFINITE);
        thread_.Reset();
    }
}

DWORD WINAPI WorkerThread::Entry(void* self) {
    return static_cast<WorkerThread*>(self)->Run();
}

}  // namespace pictrove
