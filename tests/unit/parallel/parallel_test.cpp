// The pool of ordered tasks: delivery in task order whatever the timing, failures carried back
// as one thread would meet them, workers that cannot start, the workers' signal mask.
#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "parallel/parallel.h"
#include "support.h"

using namespace tessar;

namespace {

// A few microseconds to a millisecond of work, drawn once per task.
std::vector<int> random_pauses(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<int> pauses(n);
    for (int& p : pauses) p = std::uniform_int_distribution<int>(0, 1000)(rng);
    return pauses;
}

void pause_for(int microseconds) { std::this_thread::sleep_for(std::chrono::microseconds(microseconds)); }

// Waits until `ready` holds, up to five seconds; whether it came.
template <class Ready>
bool wait_until(Ready ready) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > give_up) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// What one run handed on: the tasks in delivery order and what each one made.
struct Delivered {
    std::vector<size_t> order;
    std::string text;
};

// Task i makes the decimal digits of i * i after a random pause, into its own place.
Delivered squares(size_t workers, size_t n, unsigned seed, size_t window = SIZE_MAX) {
    const std::vector<int> pauses = random_pauses(n, seed);
    std::vector<std::string> made(n);
    Delivered out;
    OrderedTasks tasks;
    tasks.count = n;
    tasks.workers = workers;
    tasks.window = window;
    tasks.run = [&](size_t, size_t i) {
        pause_for(pauses[i]);
        made[i] = std::to_string(i * i) + ",";
    };
    tasks.deliver = [&](size_t i) {
        out.order.push_back(i);
        out.text += made[i];
    };
    run_ordered(tasks);
    return out;
}

std::vector<size_t> first(size_t n) {
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    return order;
}

}  // namespace

TEST(OrderedTasks, HandedOnInTaskOrderWithTheSameResultsOnAnyNumberOfThreads) {
    const Delivered one = squares(1, 200, 1);
    EXPECT_EQ(one.order, first(200));
    for (size_t workers : {2u, 8u})
        for (unsigned seed : {2u, 3u}) {
            const Delivered many = squares(workers, 200, seed);
            EXPECT_EQ(many.order, one.order) << workers << " threads";
            EXPECT_EQ(many.text, one.text) << workers << " threads";
        }
    EXPECT_TRUE(squares(8, 0, 4).order.empty());
    EXPECT_EQ(squares(8, 1, 4).order, first(1));
}

TEST(OrderedTasks, NeverMoreThanTheWindowStartedAndNotHandedOn) {
    for (size_t workers : {1u, 2u, 8u}) {
        std::atomic<size_t> started{0}, delivered{0}, widest{0};
        OrderedTasks tasks;
        tasks.count = 300;
        tasks.workers = workers;
        tasks.window = 5;
        const std::vector<int> pauses = random_pauses(tasks.count, 5);
        tasks.run = [&](size_t, size_t i) {
            const size_t ahead = ++started - delivered.load();
            size_t seen = widest;
            while (ahead > seen && !widest.compare_exchange_weak(seen, ahead)) {
            }
            pause_for(pauses[i] / 4);
        };
        tasks.deliver = [&](size_t) { ++delivered; };
        run_ordered(tasks);
        EXPECT_EQ(delivered.load(), 300u);
        EXPECT_LE(widest.load(), 5u) << workers << " threads";
    }
}

TEST(OrderedTasks, StartedInTheGivenOrderAndStillHandedOnInTaskOrder) {
    std::vector<size_t> ran, handed;
    OrderedTasks tasks;
    tasks.count = 6;
    tasks.workers = 1;
    tasks.start_order = {5, 4, 3, 2, 1, 0};
    tasks.run = [&](size_t, size_t i) { ran.push_back(i); };
    tasks.deliver = [&](size_t i) { handed.push_back(i); };
    run_ordered(tasks);
    EXPECT_EQ(ran, tasks.start_order);
    EXPECT_EQ(handed, first(6));

    // on several threads, the biggest first, every task once
    for (size_t workers : {2u, 8u}) {
        std::vector<std::atomic<int>> runs(50);
        handed.clear();
        tasks.count = 50;
        tasks.workers = workers;
        tasks.start_order = first(50);
        std::shuffle(tasks.start_order.begin(), tasks.start_order.end(), std::mt19937(6));
        tasks.run = [&](size_t, size_t i) { ++runs[i]; };
        run_ordered(tasks);
        EXPECT_EQ(handed, first(50));
        for (size_t i = 0; i < 50; ++i) EXPECT_EQ(runs[i], 1) << i;
    }
}

TEST(OrderedTasks, AFailedTaskEndsTheRunAsOnOneThread) {
    // tasks 40 and 70 fail: every task before 40 is handed on, none after it, and 40's
    // exception comes back, whatever the timing
    for (size_t workers : {1u, 2u, 8u})
        for (unsigned seed : {7u, 8u}) {
            const std::vector<int> pauses = random_pauses(100, seed);
            std::vector<size_t> handed;
            OrderedTasks tasks;
            tasks.count = 100;
            tasks.workers = workers;
            if (seed == 8) tasks.start_order = {70};  // the later failure is met first
            for (size_t i = 0; seed == 8 && i < 100; ++i)
                if (i != 70) tasks.start_order.push_back(i);
            tasks.run = [&](size_t, size_t i) {
                pause_for(pauses[i]);
                if (i == 40 || i == 70) throw std::runtime_error("task " + std::to_string(i));
            };
            tasks.deliver = [&](size_t i) { handed.push_back(i); };
            try {
                run_ordered(tasks);
                ADD_FAILURE() << "no failure";
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "task 40") << workers << " threads";
            }
            EXPECT_EQ(handed, first(40)) << workers << " threads";
        }
}

TEST(OrderedTasks, AFailedDeliveryStopsEverythingBeforeItIsThrownAgain) {
    for (size_t workers : {1u, 2u, 8u}) {
        std::atomic<int> running{0};
        std::vector<size_t> handed;
        OrderedTasks tasks;
        tasks.count = 1000;
        tasks.workers = workers;
        tasks.run = [&](size_t, size_t) {
            ++running;
            pause_for(200);
            --running;
        };
        tasks.deliver = [&](size_t i) {
            handed.push_back(i);
            if (i == 20) throw std::logic_error("cannot write");
        };
        EXPECT_THROW(run_ordered(tasks), std::logic_error);
        EXPECT_EQ(running.load(), 0) << "a task still ran after the run ended";
        EXPECT_EQ(handed, first(21));
    }
}

TEST(OrderedTasks, AWorkerThatCannotStartIsAnErrorOnceTheOthersHaveStopped) {
    std::atomic<int> started{0}, stopped{0};
    OrderedTasks tasks;
    tasks.count = 100;
    tasks.workers = 8;
    tasks.run = [](size_t, size_t) { pause_for(100); };
    tasks.start_thread = [&](std::function<void()> body) {
        if (started == 3) throw std::system_error(EAGAIN, std::generic_category());
        ++started;
        return std::thread([&, body] {
            body();
            ++stopped;
        });
    };
    const std::string message = test_support::fatal_message([&] { run_ordered(tasks); });
    EXPECT_NE(message.find("Err: a worker thread could not be started"), std::string::npos) << message;
    EXPECT_NE(message.find(std::strerror(EAGAIN)), std::string::npos) << message;
    EXPECT_NE(message.find("fewer threads"), std::string::npos) << message;
    EXPECT_EQ(started.load(), 3);
    EXPECT_EQ(stopped.load(), 3);  // joined before the error
}

namespace {

bool interrupts_blocked() {
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    return sigismember(&mask, SIGINT) == 1 && sigismember(&mask, SIGTERM) == 1;
}

}  // namespace

TEST(OrderedTasks, WorkersBlockInterruptsAndTheCallingThreadKeepsItsMask) {
    ASSERT_FALSE(interrupts_blocked());
    // each of the four tasks waits for the others, so that each thread holds one
    constexpr size_t kThreads = 4;
    std::mutex lock;
    std::condition_variable all_in;
    size_t arrived = 0;
    std::vector<int> blocked(kThreads, -1);
    OrderedTasks tasks;
    tasks.count = kThreads;
    tasks.workers = kThreads;
    tasks.run = [&](size_t worker, size_t) {
        std::unique_lock<std::mutex> hold(lock);
        blocked[worker] = interrupts_blocked();
        ++arrived;
        all_in.notify_all();
        all_in.wait_for(hold, std::chrono::seconds(5), [&] { return arrived == kThreads; });
    };
    run_ordered(tasks);
    EXPECT_EQ(blocked, (std::vector<int>{0, 1, 1, 1}));  // worker 0 is the calling thread
    EXPECT_FALSE(interrupts_blocked());
}

TEST(OrderedTasks, TheCallingThreadHearsNowAndThenWhileItWaits) {
    std::atomic<int> calls{0};
    std::atomic<bool> other_started{false};
    OrderedTasks tasks;
    tasks.count = 2;
    tasks.workers = 2;
    tasks.wait_period = std::chrono::milliseconds(5);
    tasks.while_waiting = [&] { ++calls; };
    tasks.run = [&](size_t worker, size_t) {
        if (worker == 0) {  // ends once the worker holds the other task, then waits for it
            EXPECT_TRUE(wait_until([&] { return other_started.load(); }));
            return;
        }
        other_started = true;
        EXPECT_TRUE(wait_until([&] { return calls >= 3; }));
    };
    run_ordered(tasks);
    EXPECT_GE(calls.load(), 3);
}

TEST(ThreadCount, SetOnceForEveryPoolDefaultTheCoresTheProcessMayUse) {
    set_thread_count(3);
    EXPECT_EQ(thread_count(), 3u);
    EXPECT_EQ(OrderedTasks{}.workers, 3u);
    set_thread_count(0);
    EXPECT_EQ(thread_count(), default_thread_count());
    EXPECT_GE(default_thread_count(), 1u);

    // tied to one core, the default is one thread
    cpu_set_t all, one;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    CPU_ZERO(&one);
    for (int c = 0; c < CPU_SETSIZE; ++c)
        if (CPU_ISSET(c, &all)) {
            CPU_SET(c, &one);
            break;
        }
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(default_thread_count(), 1u);
    ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(default_thread_count(), static_cast<size_t>(CPU_COUNT(&all)));
}

TEST(ParallelBlocks, EveryItemOnceAndFailuresThrownAgain) {
    for (size_t n : {0u, 1u, 5u, 1000u}) {
        std::vector<std::atomic<int>> seen(n);
        parallel_blocks(n, 7, [&](size_t, size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) ++seen[i];
        });
        for (size_t i = 0; i < n; ++i) EXPECT_EQ(seen[i], 1) << i;
    }
    std::atomic<int> blocks{0};
    EXPECT_THROW(parallel_blocks(10000, 1,
                                 [&](size_t, size_t begin, size_t) {
                                     ++blocks;
                                     if (begin == 3) throw std::runtime_error("block 3");
                                     // the other blocks take a while, so that a worker whose failure
                                     // waits on a busy machine still stops most of them
                                     std::this_thread::sleep_for(std::chrono::microseconds(50));
                                 }),
                 std::runtime_error);
    EXPECT_LT(blocks.load(), 10000);  // the blocks after the failed one were not all started
}

TEST(BesideWork, OneAtATimeInterruptsBlockedAndAFailureThrownAtTheWait) {
    BesideWork work;
    std::vector<int> order;  // written by one piece of work at a time
    bool blocked = false;
    for (int i = 0; i < 3; ++i)
        work.start([&order, &blocked, i] {
            std::this_thread::sleep_for(std::chrono::milliseconds(3 - i));
            order.push_back(i);
            sigset_t mask;
            pthread_sigmask(SIG_SETMASK, nullptr, &mask);
            blocked = sigismember(&mask, SIGINT) && sigismember(&mask, SIGTERM);
        });
    work.wait();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(blocked);
    // a failure comes back at the next wait (or start), once
    work.start([] { throw std::runtime_error("beside"); });
    EXPECT_THROW(work.start([] {}), std::runtime_error);
    work.start([] { throw std::runtime_error("again"); });
    EXPECT_THROW(work.wait(), std::runtime_error);
    EXPECT_NO_THROW(work.wait());
}
