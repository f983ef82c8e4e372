// Work on a sequence of items with several threads, handing the results on in the items' order.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace app {

// Bounds on the items taken but not yet emitted: no more than `items` of them (at least the
// number of jobs), and no new item is taken while the results waiting for their turn weigh
// `bytes` or more (each weighed once, when it is done).
template <typename Result>
struct AheadLimits {
    std::size_t items = 0;
    std::size_t bytes = static_cast<std::size_t>(-1);
    std::function<std::size_t(const Result&)> weigh{};
};

// Runs `work(i, worker)` for every i below `count` on `jobs` threads (`worker` tells which,
// from 0, so that each can keep state of its own) and calls `emit(i, result)` on the calling
// thread for i = 0, 1, 2 ... in that order. No more than `jobs` items are being worked on at
// any time; the finished ones wait for the earlier ones within `limits`, so that memory stays
// bounded whatever `count` is, while the other workers go on past one large item. With one
// job everything runs on the calling thread. `work` must be safe to call from several threads
// at once; `emit` is only ever called from the calling thread.
template <typename Result>
void orderedParallel(std::size_t count, unsigned jobs, const AheadLimits<Result>& limits,
                     const std::function<Result(std::size_t, unsigned)>& work,
                     const std::function<void(std::size_t, Result&)>& emit) {
    if (jobs <= 1 || count <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            Result result = work(i, 0);
            emit(i, result);
        }
        return;
    }
    const std::size_t ahead = std::max<std::size_t>(limits.items, jobs);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;     // the next item a worker takes
    std::size_t emitted = 0;  // items handed on so far
    std::size_t waitingBytes = 0;  // the weight of the finished results not yet emitted
    struct Slot {
        std::optional<Result> result;
        std::size_t weight = 0;
    };
    std::deque<Slot> window;  // items emitted .. emitted + window.size()

    // Once every earlier item is emitted nothing waits, so the oldest item can always be taken.
    auto worker = [&](unsigned self) {
        while (true) {
            std::size_t item;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] {
                    return next >= count || (next < emitted + ahead && waitingBytes < limits.bytes);
                });
                if (next >= count) return;
                item = next++;
                while (window.size() < item - emitted + 1) window.emplace_back();
            }
            Result result = work(item, self);
            const std::size_t weight = limits.weigh ? limits.weigh(result) : 0;
            {
                std::lock_guard lock(mutex);
                Slot& slot = window[item - emitted];
                slot.result = std::move(result);
                slot.weight = weight;
                waitingBytes += weight;
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> threads;
    const unsigned started = static_cast<unsigned>(std::min<std::size_t>(jobs, count));
    for (unsigned t = 0; t < started; ++t) threads.emplace_back(worker, t);

    while (emitted < count) {
        Result result;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return !window.empty() && window.front().result.has_value(); });
            result = std::move(*window.front().result);
            waitingBytes -= window.front().weight;
            window.pop_front();
            ++emitted;
        }
        changed.notify_all();
        emit(emitted - 1, result);
    }
    for (std::thread& thread : threads) thread.join();
}

}  // namespace app
