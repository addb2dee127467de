#include "ui/phonework/PhoneThread.h"

void Completion::finish()
{
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
    }
    ended_.notify_all();
}

bool Completion::done()
{
    const std::lock_guard lock(mutex_);
    return done_;
}

bool Completion::waitUntil(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(mutex_);
    return ended_.wait_until(lock, deadline, [this] { return done_; });
}

namespace {
constexpr std::chrono::milliseconds kPatienceAtDestruction{1500};
} // namespace

PhoneThread::PhoneThread() : state_(std::make_shared<State>())
{
    thread_ = std::thread([state = state_] { serve(state); });
}

PhoneThread::~PhoneThread() { stop(kPatienceAtDestruction); }

void PhoneThread::post(Job job)
{
    {
        const std::lock_guard lock(state_->mutex);
        if (state_->stopping)
            return;
        state_->jobs.push_back(std::move(job));
    }
    state_->changed.notify_all();
}

bool PhoneThread::stop(std::chrono::milliseconds patience)
{
    if (!thread_.joinable())
        return true;
    std::unique_lock lock(state_->mutex);
    state_->stopping = true;
    state_->jobs.clear();
    state_->changed.notify_all();
    const bool ended = state_->changed.wait_for(lock, patience, [&] { return !state_->running; });
    lock.unlock();
    if (ended)
        thread_.join();
    else
        thread_.detach();
    return ended;
}

void PhoneThread::serve(const std::shared_ptr<State>& state)
{
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->stopping || !state->jobs.empty(); });
        if (state->jobs.empty())
            return; // stopping, and nothing left to do
        Job job = std::move(state->jobs.front());
        state->jobs.pop_front();
        state->running = true;
        lock.unlock();
        try {
            job();
        } catch (...) {
            // A job reports its own failures; one that escapes must not end the program.
        }
        job = nullptr; // what the job holds goes before the thread reports itself idle
        lock.lock();
        state->running = false;
        state->changed.notify_all();
    }
}
