// Runs a planned extraction on N workers, each decoding and writing one picture at a time, so
// no more than N decoded pictures are ever held; progress and failures go to the front end.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/ExtractPlan.h"

namespace pictrove {

// What became of one picture: written, or the front end's code for why not (a system error).
// A failure that no later picture can escape (a full disk) stops the whole run.
struct PictureResult {
    bool written = false;
    std::uint32_t reason = 0;
    bool stopsRun = false;
};

// The reason of a picture whose work ran out of memory (E_OUTOFMEMORY's number).
inline constexpr std::uint32_t kOutOfMemoryReason = 0x8007000E;

// Decodes and writes pictures, one at a time, on the thread that made it.
class PictureWorker {
  public:
    virtual ~PictureWorker() = default;
    virtual PictureResult Write(const PlannedPicture& picture) = 0;
};

// The front end's side of the run. NewWorker is called on the thread the worker serves (worker
// 0 is the thread that runs the extraction) and the worker is destroyed there. The reports
// come one at a time, from the workers' threads.
class ExtractCallbacks {
  public:
    virtual ~ExtractCallbacks() = default;
    virtual std::unique_ptr<PictureWorker> NewWorker(int worker) = 0;
    // position: the picture's place in the plan.
    virtual void PictureStarting(size_t /*position*/) {}
    virtual void PictureFailed(size_t /*position*/, std::uint32_t /*reason*/) {}
    // finished: pictures done so far, this one included.
    virtual void PictureFinished(size_t /*position*/, size_t /*finished*/) {}
};

struct RunOptions {
    int workers = 1;  // fewer when there are fewer pictures; at least one
    // A rest after each picture, which leaves the machine to the user during a long job.
    std::chrono::milliseconds pauseAfterPicture{0};
    // Asked before each picture: once it says stop, each worker finishes its picture and ends.
    // A result that stops the run does the same.
    std::function<bool()> stopRequested;
};

struct RunSummary {
    size_t processed = 0;  // written or failed: fewer than planned after a stop
    size_t failed = 0;
    // Set when a picture's failure stopped the run: that failure's reason, for the front end.
    bool stoppedByFailure = false;
    std::uint32_t stopReason = 0;
};

RunSummary RunExtraction(const std::vector<PlannedPicture>& pictures,
                         ExtractCallbacks& callbacks,
                         const RunOptions& options);

}  // namespace pictrove
