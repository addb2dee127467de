#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// The end of one job posted to the phone thread, which the poster may wait for.
class Completion {
public:
    void finish();
    bool done();
    // False when the job has not ended by then.
    bool waitUntil(std::chrono::steady_clock::time_point deadline);
    bool waitFor(std::chrono::milliseconds patience)
    {
        return waitUntil(std::chrono::steady_clock::now() + patience);
    }

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
};

// The one thread that makes the library's calls, one job after another in the order posted, so
// that the window's thread never sits inside the library.
class PhoneThread {
public:
    using Job = std::function<void()>;

    PhoneThread();
    // Stops the thread (see stop) with a short patience.
    ~PhoneThread();
    PhoneThread(const PhoneThread&) = delete;
    PhoneThread& operator=(const PhoneThread&) = delete;

    // Jobs posted after stop() are dropped.
    void post(Job job);
    // Drops the jobs not yet begun and waits up to `patience` for the one running. False when it
    // is still running: a library call that never returns. The thread is then left to itself.
    bool stop(std::chrono::milliseconds patience);

private:
    // Shared with the thread, so that a thread left behind never touches freed memory of ours.
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<Job> jobs;
        bool stopping = false;
        bool running = false;
    };
    static void serve(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};
