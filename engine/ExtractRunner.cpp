// The workers of an extraction: std::thread, a shared cursor and one lock for the reports.
#include "engine/ExtractRunner.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace pictrove {

RunSummary RunExtraction(const std::vector<PlannedPicture>& pictures,
                         ExtractCallbacks& callbacks,
                         const RunOptions& options) {
    std::atomic<size_t> next{0};
    std::atomic<bool> stopped{false};
    std::mutex reportLock;
    RunSummary summary;
    auto stopNow = [&] {
        if (!stopped.load() && options.stopRequested && options.stopRequested()) stopped.store(true);
        return stopped.load();
    };
    auto work = [&](int worker) {
        std::unique_ptr<PictureWorker> writer;
        for (size_t i = next++; i < pictures.size() && !stopNow(); i = next++) {
            {
                std::lock_guard<std::mutex> lock(reportLock);
                callbacks.PictureStarting(i);
            }
            PictureResult result;
            try {
                // Made only once there is work for it: a worker may open a reader of its own.
                if (!writer) writer = callbacks.NewWorker(worker);
                if (writer) result = writer->Write(pictures[i]);
            } catch (const std::bad_alloc&) {
                result = {false, kOutOfMemoryReason};
            }
            {
                std::lock_guard<std::mutex> lock(reportLock);
                if (!result.written) {
                    ++summary.failed;
                    callbacks.PictureFailed(i, result.reason);
                    if (result.stopsRun && !summary.stoppedByFailure) {
                        summary.stoppedByFailure = true;
                        summary.stopReason = result.reason;
                    }
                }
                callbacks.PictureFinished(i, ++summary.processed);
            }
            if (!result.written && result.stopsRun) stopped.store(true);
            if (options.pauseAfterPicture.count() > 0) std::this_thread::sleep_for(options.pauseAfterPicture);
        }
    };
    const size_t wanted = std::min<size_t>(static_cast<size_t>(std::max(1, options.workers)), pictures.size());
    std::vector<std::thread> threads;
    for (size_t t = 1; t < wanted; ++t) {
        try {
            threads.emplace_back(work, static_cast<int>(t));
        } catch (const std::system_error&) {
            break;  // the workers that started share the pictures
        }
    }
    work(0);
    for (std::thread& thread : threads) thread.join();
    return summary;
}

}  // namespace pictrove
