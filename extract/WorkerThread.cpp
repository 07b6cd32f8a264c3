// Thread start and join for WorkerThread.
#include "extract/WorkerThread.h"

namespace pictrove {

namespace {

HANDLE SystemCreateThread(LPTHREAD_START_ROUTINE entry, void* parameter) {
    return CreateThread(nullptr, 0, entry, parameter, 0, nullptr);
}

std::atomic<ThreadCreator> g_creator{&SystemCreateThread};

}  // namespace

ThreadCreator SetThreadCreator(ThreadCreator creator) {
    return g_creator.exchange(creator ? creator : &SystemCreateThread);
}

bool WorkerThread::Start() {
    if (running_.load() != 0) return true;
    startError_ = 0;
    running_.store(1);
    SetLastError(0);
    thread_.Reset(g_creator.load()(&WorkerThread::Entry, this));
    if (thread_) return true;
    startError_ = GetLastError() ? GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
    running_.store(0);
    return false;
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
