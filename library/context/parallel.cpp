#include "context/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace tessar {

size_t worker_count() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp<size_t>(cores, 1, 8);
}

void parallel_blocks(size_t n, size_t block, const std::function<void(size_t thread, size_t begin, size_t end)>& body) {
    if (n == 0) return;
    if (block == 0) block = 1;
    const size_t blocks = (n + block - 1) / block;
    const size_t threads = std::min(worker_count(), blocks);
    if (threads == 1) {
        body(0, 0, n);
        return;
    }
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex error_lock;
    auto run = [&](size_t thread) {
        try {
            for (size_t b; !failed && (b = next++) < blocks;) body(thread, b * block, std::min(n, (b + 1) * block));
        } catch (...) {
            std::lock_guard<std::mutex> hold(error_lock);
            if (!error) error = std::current_exception();
            failed = true;
        }
    };
    std::vector<std::thread> others;
    for (size_t t = 1; t < threads; ++t) {
        try {
            others.emplace_back(run, t);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: those running share the blocks
        }
    }
    run(0);
    for (std::thread& t : others) t.join();
    if (error) std::rethrow_exception(error);
}

void ordered_chunks(size_t n, size_t chunk, size_t ahead,
                    const std::function<void(size_t thread, size_t begin, size_t end)>& make,
                    const std::function<void(size_t begin, size_t end)>& consume) {
    if (chunk == 0) chunk = 1;
    if (ahead == 0) ahead = 1;
    const size_t chunks = (n + chunk - 1) / chunk;
    auto bounds = [&](size_t c) { return std::pair<size_t, size_t>{c * chunk, std::min(n, (c + 1) * chunk)}; };

    std::mutex lock;
    std::condition_variable changed;
    size_t next = 0;      // the next chunk to make
    size_t consumed = 0;  // the chunks consumed
    std::vector<size_t> made(ahead, SIZE_MAX);  // made[c % ahead] == c: chunk c is ready
    bool stop = false;
    std::exception_ptr error;

    // Makes chunks while there are some within reach and chunk `wanted` (any: kAny) is not
    // ready; `hold` is locked on entry and exit.
    constexpr size_t kAny = SIZE_MAX;
    auto make_some = [&](size_t thread, std::unique_lock<std::mutex>& hold, size_t wanted) {
        while (!stop && next < chunks && next < consumed + ahead &&
               (wanted == kAny || made[wanted % ahead] != wanted)) {
            const size_t c = next++;
            hold.unlock();
            try {
                const auto [begin, end] = bounds(c);
                make(thread, begin, end);
            } catch (...) {
                hold.lock();
                if (!error) error = std::current_exception();
                stop = true;
                changed.notify_all();
                return;
            }
            hold.lock();
            made[c % ahead] = c;
            changed.notify_all();
        }
    };

    std::vector<std::thread> workers;
    auto finish = [&] {
        {
            std::lock_guard<std::mutex> hold(lock);
            stop = true;
        }
        changed.notify_all();
        for (std::thread& t : workers) t.join();
        workers.clear();
    };
    const size_t threads = std::min(worker_count(), std::max<size_t>(chunks, 1));
    for (size_t t = 1; t < threads; ++t) {
        try {
            workers.emplace_back([&, t] {
                std::unique_lock<std::mutex> hold(lock);
                for (;;) {
                    make_some(t, hold, kAny);
                    if (stop || next >= chunks) return;
                    changed.wait(hold);
                }
            });
        } catch (const std::system_error&) {
            break;  // the threads running share the chunks
        }
    }

    try {
        for (size_t c = 0; c < chunks; ++c) {
            {
                std::unique_lock<std::mutex> hold(lock);
                for (;;) {
                    if (error) break;
                    if (made[c % ahead] == c) break;
                    make_some(0, hold, c);
                    if (error || made[c % ahead] == c) break;
                    changed.wait(hold);
                }
                if (error) break;
            }
            const auto [begin, end] = bounds(c);
            consume(begin, end);
            {
                std::lock_guard<std::mutex> hold(lock);
                ++consumed;
            }
            changed.notify_all();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    if (error) std::rethrow_exception(error);
}

}  // namespace tessar
