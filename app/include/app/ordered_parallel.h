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

// Runs `work(i, worker)` for every i below `count` on `jobs` threads (`worker` tells which,
// from 0, so that each can keep state of its own) and calls `emit(i, result)` on the
// calling thread for i = 0, 1, 2 ... in that order. No more than `jobs` items are being worked
// on at any time, and no more than `ahead` (at least `jobs`) are taken before the oldest one
// not yet emitted, being worked on or waiting for their turn (and one more being emitted), so
// memory stays bounded whatever `count` is. Letting a few more than `jobs` wait keeps the
// workers busy while one of them works on a large item. With one job everything runs on the
// calling thread. `work` must be safe to call from several threads at once; `emit` is only
// ever called from the calling thread.
template <typename Result>
void orderedParallel(std::size_t count, unsigned jobs, std::size_t ahead,
                     const std::function<Result(std::size_t, unsigned)>& work,
                     const std::function<void(std::size_t, Result&)>& emit) {
    if (jobs <= 1 || count <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            Result result = work(i, 0);
            emit(i, result);
        }
        return;
    }
    ahead = std::max<std::size_t>(ahead, jobs);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;     // the next item a worker takes
    std::size_t emitted = 0;  // items handed on so far
    std::deque<std::optional<Result>> window;  // items emitted .. emitted + window.size()

    auto worker = [&](unsigned self) {
        while (true) {
            std::size_t item;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return next >= count || next < emitted + ahead; });
                if (next >= count) return;
                item = next++;
                while (window.size() < item - emitted + 1) window.emplace_back();
            }
            Result result = work(item, self);
            {
                std::lock_guard lock(mutex);
                window[item - emitted] = std::move(result);
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
            changed.wait(lock, [&] { return !window.empty() && window.front().has_value(); });
            result = std::move(*window.front());
            window.pop_front();
            ++emitted;
        }
        changed.notify_all();
        emit(emitted - 1, result);
    }
    for (std::thread& thread : threads) thread.join();
}

}  // namespace app
