// The one pool of threads: work spread over the cores, with results that do not depend on how
// it was spread. Tasks 0 to n - 1 run on any thread, each writing only its own results; the
// calling thread hands them on in task order, so what it writes is byte for byte what one
// thread would write. The calling thread runs tasks too; the other threads (the workers) live
// for one run and block SIGINT and SIGTERM: interrupts go to the main thread, whose handler
// names the files being written (dialogue/interrupt.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

namespace tessar {

// The threads a run of tasks uses at most, the calling thread included. Front ends set it once
// (0: the default); everything that runs on several cores reads it here.
void set_thread_count(size_t n);
size_t thread_count();
// The cores this process may run on (sched_getaffinity), at least 1.
size_t default_thread_count();

// Starts a thread running `body`; throws std::system_error when the system refuses one.
using ThreadStarter = std::function<std::thread(std::function<void()> body)>;
std::thread start_std_thread(std::function<void()> body);

struct OrderedTasks {
    size_t count = 0;  // tasks 0 to count - 1
    // Runs task `task` on any thread; `worker` (below `workers`) tells which thread, so that a
    // task can keep working storage per thread (the calling thread is worker 0).
    std::function<void(size_t worker, size_t task)> run;
    // Hands task `task` on, on the calling thread, in task order, each as soon as it and every
    // task before it are done. May be empty.
    std::function<void(size_t task)> deliver = {};
    // Threads at most, the calling thread included; read once, when the record is made.
    size_t workers = thread_count();
    // At most `window` tasks are started and not yet handed on (so that a task's results may
    // live in a ring of `window` places). Needs `start_order` empty.
    size_t window = SIZE_MAX;
    // The order the tasks are started in (a permutation of 0 to count - 1; empty: task order),
    // for instance the biggest first, so that the threads finish together. Delivery stays in
    // task order.
    std::vector<size_t> start_order = {};
    // Called on the calling thread every `wait_period` while it waits for another thread.
    std::function<void()> while_waiting = {};
    std::chrono::milliseconds wait_period{200};
    // How worker threads are started (tests put a failing one here).
    ThreadStarter start_thread = start_std_thread;
};

// Runs every task and hands each on in order. What is handed on is what one thread running and
// handing on the tasks in task order would hand on:
// - when task f throws, the tasks before it still run and are handed on, no task after it is
//   handed on (nor started once the failure is known), and the exception of the failed task
//   that comes first in task order is thrown again here;
// - when `deliver` throws, nothing more is started or handed on, and its exception is thrown
//   again here.
// Returns (or throws) once every worker has stopped. A worker that cannot be started is a
// FatalError naming the system's reason, thrown once the workers already started have stopped.
void run_ordered(const OrderedTasks& tasks);

// ---- stopping a run from outside
//
// A front end that must carry on after an interrupt (the Python module raises KeyboardInterrupt
// and returns to its caller) cannot end the process the way the signal handler does: it asks
// the computation in progress to stop instead. The pool checks the request before each task and
// the long loops (the motif search) now and then; either throws RunStopped, which unwinds the
// run like any failure. The request holds until it is withdrawn.
struct RunStopped {};
void request_stop(bool stop);
bool stop_requested();
// Throws RunStopped when a stop is requested.
void stop_if_requested();

// One piece of work running beside the calling thread, on a thread of its own that blocks
// SIGINT and SIGTERM like the workers (a producer that reads while the pool codes what it read
// last). At most one runs at a time; going away waits for it.
class BesideWork {
public:
    BesideWork() = default;
    ~BesideWork();
    BesideWork(const BesideWork&) = delete;
    BesideWork& operator=(const BesideWork&) = delete;
    // Waits for the work started before (see wait), then starts `body`.
    void start(std::function<void()> body);
    // Waits for the work started last to end, and throws again what it threw.
    void wait();

private:
    std::thread thread_;
    std::exception_ptr failure_;
};

// Calls body(worker, begin, end) for consecutive blocks [begin, end) of [0, n) of `block`
// items (the last one shorter), each block once, from up to thread_count() threads; `worker`
// (below thread_count()) tells which. A failure of a body is thrown again here.
void parallel_blocks(size_t n, size_t block, const std::function<void(size_t worker, size_t begin, size_t end)>& body);

}  // namespace tessar
