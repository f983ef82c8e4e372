// Work on a sequence of items with several threads, handing the results on in the items' order.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
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
//
// An exception from `work` or `emit` (memory that runs out) ends the call with that exception
// once every thread has stopped, the items before the failed one having been emitted, as with
// one job. Threads that cannot be started leave the work to those that could, or, when none
// could, to the calling thread: the results are the same.
template <typename Result>
void orderedParallel(std::size_t count, unsigned jobs, const AheadLimits<Result>& limits,
                     const std::function<Result(std::size_t, unsigned)>& work,
                     const std::function<void(std::size_t, Result&)>& emit) {
    auto inTurn = [&] {
        for (std::size_t i = 0; i < count; ++i) {
            Result result = work(i, 0);
            emit(i, result);
        }
    };
    if (jobs <= 1 || count <= 1) {
        inTurn();
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
    // The first failure: the item it came from (the lowest when several failed) and what was
    // thrown. The items before it are emitted; then every thread stops.
    std::exception_ptr failure;
    std::size_t failedItem = count;
    bool stopping = false;

    // Once every earlier item is emitted nothing waits, so the oldest item can always be taken.
    auto fail = [&](std::size_t item) {
        {
            std::lock_guard lock(mutex);
            if (item <= failedItem) {
                failedItem = item;
                failure = std::current_exception();
            }
        }
        changed.notify_all();
    };
    auto worker = [&](unsigned self) {
        std::size_t item = 0;
        try {
            while (true) {
                {
                    std::unique_lock lock(mutex);
                    changed.wait(lock, [&] {
                        return stopping || next >= count ||
                               (next < emitted + ahead && waitingBytes < limits.bytes);
                    });
                    if (stopping || next >= count) return;
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
        } catch (...) {
            fail(item);
        }
    };
    std::vector<std::thread> threads;
    const unsigned wanted = static_cast<unsigned>(std::min<std::size_t>(jobs, count));
    threads.reserve(wanted);
    for (unsigned t = 0; t < wanted; ++t) {
        try {
            threads.emplace_back(worker, t);
        } catch (const std::system_error&) {
            break;  // no room for another thread's stack
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    if (threads.empty()) {
        inTurn();
        return;
    }

    try {
        while (emitted < count) {
            Result result;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] {
                    return failedItem <= emitted ||
                           (!window.empty() && window.front().result.has_value());
                });
                if (failedItem <= emitted) break;
                result = std::move(*window.front().result);
                waitingBytes -= window.front().weight;
                window.pop_front();
                ++emitted;
            }
            changed.notify_all();
            emit(emitted - 1, result);
        }
    } catch (...) {
        fail(emitted);
    }
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& thread : threads) thread.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace app
