// The engine's runner with a fake per-picture worker: bounds on pictures in flight, progress and
// failure reports, and how far a stop lets the workers go.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "engine/ExtractRunner.h"

namespace pictrove {
namespace {

using namespace std::chrono_literals;

// Pictures whose index is in `failing` fail with reason 100 + index; each takes `work` time.
struct FakeRun : ExtractCallbacks {
    struct Worker : PictureWorker {
        FakeRun& run;
        explicit Worker(FakeRun& owner) : run(owner) {}
        PictureResult Write(const PlannedPicture& picture) override {
            const int now = ++run.inFlight;
            int seen = run.mostInFlight.load();
            while (now > seen && !run.mostInFlight.compare_exchange_weak(seen, now)) {
            }
            if (run.onWrite) run.onWrite(picture.index);
            std::this_thread::sleep_for(run.work);
            --run.inFlight;
            ++run.writes;
            if (run.stopping.count(picture.index))
                return {false, static_cast<std::uint32_t>(200 + picture.index), true};
            if (run.failing.count(picture.index)) return {false, static_cast<std::uint32_t>(100 + picture.index)};
            return {true, 0};
        }
    };
    std::unique_ptr<PictureWorker> NewWorker(int worker) override {
        std::lock_guard<std::mutex> lock(mutex);
        workerIds.insert(worker);
        threads.insert(std::this_thread::get_id());
        return std::make_unique<Worker>(*this);
    }
    void PictureStarting(size_t position) override { started.push_back(position); }
    void PictureFailed(size_t position, std::uint32_t reason) override { failures.emplace_back(position, reason); }
    void PictureFinished(size_t, size_t finished) override { finishedCounts.push_back(finished); }

    std::set<int> failing;
    std::set<int> stopping;  // fail with 200 + index and stop the run
    std::chrono::milliseconds work{0};
    std::function<void(int)> onWrite;
    std::atomic<int> inFlight{0}, mostInFlight{0}, writes{0};
    std::mutex mutex;
    std::set<int> workerIds;
    std::set<std::thread::id> threads;
    std::vector<size_t> started;
    std::vector<std::pair<size_t, std::uint32_t>> failures;
    std::vector<size_t> finishedCounts;
};

std::vector<PlannedPicture> Pictures(int count) {
    std::vector<PlannedPicture> pictures;
    for (int i = 0; i < count; ++i) pictures.push_back({i, L"p" + std::to_wstring(i), false});
    return pictures;
}

TEST(RunExtraction, WorkersPicturesInFlightAndReportsFollowTheJobCount) {
    const struct {
        int pictures;
        int workers;
        int expectedWorkers;
    } cases[] = {{6, 1, 1}, {6, 3, 3}, {2, 8, 2}, {5, 0, 1}, {0, 4, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pictures << " pictures, " << c.workers << " workers");
        FakeRun run;
        run.failing = {1, 4};
        run.work = 20ms;
        const RunSummary summary = RunExtraction(Pictures(c.pictures), run, {c.workers, 0ms, nullptr});
        EXPECT_EQ(summary.processed, static_cast<size_t>(c.pictures));
        EXPECT_EQ(run.writes.load(), c.pictures);
        EXPECT_EQ(static_cast<int>(run.workerIds.size()), c.expectedWorkers);
        EXPECT_EQ(run.threads.size(), run.workerIds.size()) << "a worker of its own on each thread";
        EXPECT_LE(run.mostInFlight.load(), std::max(1, c.workers)) << "never more pictures than workers";
        std::vector<size_t> counts(static_cast<size_t>(c.pictures));
        for (size_t i = 0; i < counts.size(); ++i) counts[i] = i + 1;
        EXPECT_EQ(run.finishedCounts, counts) << "one report per picture, counted up";
        std::vector<size_t> started = run.started;
        std::sort(started.begin(), started.end());
        std::vector<size_t> all(counts.size());
        for (size_t i = 0; i < all.size(); ++i) all[i] = i;
        EXPECT_EQ(started, all) << "each picture started once";
        std::sort(run.failures.begin(), run.failures.end());
        std::vector<std::pair<size_t, std::uint32_t>> failures;
        for (size_t i : {1, 4}) {
            if (static_cast<int>(i) < c.pictures) failures.emplace_back(i, static_cast<std::uint32_t>(100 + i));
        }
        EXPECT_EQ(run.failures, failures) << "each failure with its own reason";
        EXPECT_EQ(summary.failed, failures.size());
    }
}

TEST(RunExtraction, AStopLetsEachWorkerFinishItsPictureAndStartNoOther) {
    for (int workers : {1, 3}) {
        SCOPED_TRACE(testing::Message() << workers << " workers");
        FakeRun run;
        std::atomic<bool> stop{false};
        // Every worker is inside a picture when the stop comes.
        std::atomic<int> entered{0};
        run.onWrite = [&](int) {
            if (++entered == workers) stop = true;
            for (int wait = 0; !stop && wait < 2000; ++wait) std::this_thread::sleep_for(1ms);
        };
        const RunSummary summary = RunExtraction(Pictures(20), run, {workers, 0ms, [&] { return stop.load(); }});
        EXPECT_EQ(summary.processed, static_cast<size_t>(workers)) << "the pictures in hand, no more";
        EXPECT_EQ(run.writes.load(), workers);
        EXPECT_EQ(run.started.size(), static_cast<size_t>(workers));
    }
}

TEST(RunExtraction, AFailureThatStopsTheRunEndsItWithinOnePicturePerWorker) {
    for (int workers : {1, 3}) {
        SCOPED_TRACE(testing::Message() << workers << " workers");
        FakeRun run;
        run.stopping = {0, 5};
        // The stopping picture ends at once, while the other workers are inside theirs.
        run.onWrite = [](int index) {
            if (index != 0) std::this_thread::sleep_for(20ms);
        };
        const RunSummary summary = RunExtraction(Pictures(30), run, {workers, 0ms, nullptr});
        EXPECT_GE(summary.processed, 1u);
        EXPECT_LE(summary.processed, static_cast<size_t>(workers)) << "each other worker finishes what it holds";
        EXPECT_TRUE(summary.stoppedByFailure);
        EXPECT_EQ(summary.stopReason, 200u);
        EXPECT_EQ(summary.failed, run.failures.size());
    }
    FakeRun plain;
    plain.failing = {0, 1};
    const RunSummary summary = RunExtraction(Pictures(4), plain, {1, 0ms, nullptr});
    EXPECT_EQ(summary.processed, 4u) << "ordinary failures do not stop the run";
    EXPECT_FALSE(summary.stoppedByFailure);
}

TEST(RunExtraction, AWorkerOutOfMemoryFailsThatPictureOnly) {
    FakeRun run;
    run.onWrite = [](int index) {
        if (index == 1) throw std::bad_alloc();
    };
    const RunSummary summary = RunExtraction(Pictures(3), run, {1, 0ms, nullptr});
    EXPECT_EQ(summary.processed, 3u);
    ASSERT_EQ(run.failures.size(), 1u);
    EXPECT_EQ(run.failures[0], (std::pair<size_t, std::uint32_t>{1, kOutOfMemoryReason}));
}

}  // namespace
}  // namespace pictrove
