#include "parallel/parallel.h"

#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <utility>

#include "dialogue/dialogue.h"

namespace tessar {

namespace {

// 0: the default, the cores the process may use.
std::atomic<size_t> chosen_thread_count{0};

std::atomic<bool> stop_request{false};

}  // namespace

void set_thread_count(size_t n) { chosen_thread_count.store(n, std::memory_order_relaxed); }

size_t thread_count() {
    const size_t n = chosen_thread_count.load(std::memory_order_relaxed);
    return n > 0 ? n : default_thread_count();
}

void request_stop(bool stop) { stop_request.store(stop, std::memory_order_relaxed); }

bool stop_requested() { return stop_request.load(std::memory_order_relaxed); }

void stop_if_requested() {
    if (stop_requested()) throw RunStopped{};
}

size_t default_thread_count() {
    // the set grows until it holds every processor the system numbers
    for (size_t n_cpus = 1024; n_cpus <= (size_t{1} << 20); n_cpus *= 2) {
        cpu_set_t* set = CPU_ALLOC(n_cpus);
        if (!set) break;
        const size_t size = CPU_ALLOC_SIZE(n_cpus);
        const int got = sched_getaffinity(0, size, set);
        const int count = got == 0 ? CPU_COUNT_S(size, set) : 0;
        CPU_FREE(set);
        if (got == 0) return std::max(count, 1);
        if (errno != EINVAL) break;
    }
    return std::max(std::thread::hardware_concurrency(), 1u);
}

std::thread start_std_thread(std::function<void()> body) { return std::thread(std::move(body)); }

namespace {

// Starts a worker with SIGINT and SIGTERM blocked: it inherits the mask of the thread that
// creates it, which gets its own back right after.
std::thread start_worker(const ThreadStarter& start, std::function<void()> body) {
    sigset_t interrupts, previous;
    sigemptyset(&interrupts);
    sigaddset(&interrupts, SIGINT);
    sigaddset(&interrupts, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
    struct Restore {
        const sigset_t& mask;
        ~Restore() { pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
    } restore{previous};
    return start(std::move(body));
}

constexpr size_t kNone = SIZE_MAX;

// What the threads of one run share, under `lock`.
struct Run {
    explicit Run(const OrderedTasks& t) : tasks(t), done(t.count, 0) {}

    const OrderedTasks& tasks;
    std::mutex lock;
    std::condition_variable changed;
    size_t next_start = 0;          // place in the start order of the next task to start
    size_t delivered = 0;           // tasks handed on: the next one to hand on
    std::vector<char> done;         // per task: finished without failing
    size_t failed_task = kNone;     // the first task in task order that failed
    std::exception_ptr failure;     // its exception
    bool stop = false;              // nothing more is started

    size_t task_at(size_t place) const {
        return tasks.start_order.empty() ? place : tasks.start_order[place];
    }

    // The next task to start, past those after a failed one; kNone when there is none now
    // (`finished` then tells whether there will be none at all).
    size_t take(bool& finished) {
        finished = false;
        while (!stop && next_start < tasks.count) {
            const size_t task = task_at(next_start);
            if (task > failed_task) {
                ++next_start;
                continue;
            }
            if (task >= delivered && task - delivered >= tasks.window) return kNone;
            ++next_start;
            return task;
        }
        finished = true;
        return kNone;
    }

    // Runs `task` with `hold` unlocked; records its outcome.
    void execute(size_t worker, size_t task, std::unique_lock<std::mutex>& hold) {
        hold.unlock();
        std::exception_ptr error;
        try {
            stop_if_requested();
            tasks.run(worker, task);
        } catch (...) {
            error = std::current_exception();
        }
        hold.lock();
        if (!error) {
            done[task] = 1;
        } else if (failed_task == kNone || task < failed_task) {
            failed_task = task;
            failure = error;
        }
        changed.notify_all();
    }

    void work(size_t worker) {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            bool finished;
            const size_t task = take(finished);
            if (task != kNone) {
                execute(worker, task, hold);
            } else if (finished) {
                return;
            } else {
                changed.wait(hold);
            }
        }
    }

    // The calling thread: hands on every task it can, and runs tasks while the next one to
    // hand on is not done; returns when every task is handed on, or every one before a failed
    // one.
    void lead() {
        using Clock = std::chrono::steady_clock;
        std::unique_lock<std::mutex> hold(lock);
        Clock::time_point call_at = Clock::now() + tasks.wait_period;  // of while_waiting
        while (delivered < tasks.count && delivered != failed_task) {
            if (done[delivered]) {
                const size_t task = delivered;
                hold.unlock();
                if (tasks.deliver) tasks.deliver(task);
                hold.lock();
                ++delivered;
                changed.notify_all();  // the window has moved
                continue;
            }
            bool finished;
            const size_t task = take(finished);
            if (task != kNone) {
                execute(0, task, hold);
            } else if (!tasks.while_waiting) {
                changed.wait(hold);
            } else if (changed.wait_until(hold, call_at) == std::cv_status::timeout) {
                hold.unlock();
                tasks.while_waiting();
                hold.lock();
                call_at = Clock::now() + tasks.wait_period;
            }
        }
    }

    void halt() {
        std::lock_guard<std::mutex> hold(lock);
        stop = true;
        changed.notify_all();
    }
};

void join_all(std::vector<std::thread>& workers) {
    for (std::thread& t : workers) t.join();
    workers.clear();
}

}  // namespace

BesideWork::~BesideWork() {
    if (thread_.joinable()) thread_.join();
}

void BesideWork::start(std::function<void()> body) {
    wait();
    thread_ = start_worker(start_std_thread, [this, body = std::move(body)] {
        try {
            body();
        } catch (...) {
            failure_ = std::current_exception();
        }
    });
}

void BesideWork::wait() {
    if (thread_.joinable()) thread_.join();
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void run_ordered(const OrderedTasks& tasks) {
    if (tasks.count == 0) return;
    Run run(tasks);

    const size_t n_workers = std::clamp<size_t>(tasks.workers, 1, tasks.count);
    std::vector<std::thread> workers;
    workers.reserve(n_workers);  // a started worker is never lost to a failed allocation
    for (size_t w = 1; w < n_workers; ++w) {
        try {
            workers.push_back(start_worker(tasks.start_thread, [&run, w] { run.work(w); }));
        } catch (const std::system_error& e) {
            run.halt();
            join_all(workers);
            fatal(format("\tErr: a worker thread could not be started (%s); run with fewer threads\n",
                         e.code().message().c_str()));
        }
    }

    try {
        run.lead();
    } catch (...) {  // from deliver
        run.halt();
        join_all(workers);
        throw;
    }
    run.halt();
    join_all(workers);
    if (run.failure) std::rethrow_exception(run.failure);
}

void parallel_blocks(size_t n, size_t block, const std::function<void(size_t worker, size_t begin, size_t end)>& body) {
    if (block == 0) block = 1;
    OrderedTasks tasks;
    tasks.count = (n + block - 1) / block;
    tasks.run = [&](size_t worker, size_t b) { body(worker, b * block, std::min(n, (b + 1) * block)); };
    run_ordered(tasks);
}

}  // namespace tessar
