// Work on figure files on worker threads: one converter for each, so that nothing is
// shared.
#pragma once

#include "convert/converter.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace pravelot {

class ConversionPool {
public:
    // workers threads, each with a converter of its own, for jobs that may run anywhere;
    // and a lane of its own, started at its first job, for the jobs that must run one
    // after another on serial (a .jwk source: the translator's curve-group counter goes
    // on from one file to the next). With workers 0, every job runs at once on the
    // calling thread, with serial.
    ConversionPool(unsigned workers, Converter &serial);
    // Waits for the jobs queued and ends the threads (join).
    ~ConversionPool();
    ConversionPool(const ConversionPool &) = delete;
    ConversionPool &operator=(const ConversionPool &) = delete;

    // One worker for each processor.
    static unsigned defaultWorkers();

    // Queues job; onSerial: on the serial lane, after the serial jobs queued before it.
    // The future gives its result, or what it threw.
    template <class R> std::future<R> submit(std::function<R(Converter &)> job, bool onSerial)
    {
        auto task = std::make_shared<std::packaged_task<R(Converter &)>>(std::move(job));
        std::future<R> result = task->get_future();
        push([task](Converter &conv) { (*task)(conv); }, onSerial);
        return result;
    }
    // Drops the jobs that have not started yet; their futures then hold
    // std::future_errc::broken_promise.
    void dropQueued();
    // Waits for the jobs queued and ends the threads; no job may be queued afterwards.
    void join();

private:
    using Task = std::function<void(Converter &)>;
    struct Lane {
        std::deque<Task> tasks;
        std::vector<std::thread> threads;
    };
    void push(Task task, bool onSerial);
    void serve(Lane &lane, Converter &conv);

    Converter &m_serial;
    std::vector<std::unique_ptr<Converter>> m_converters;
    Lane m_anywhere, m_serialLane;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    bool m_stopping = false;
};

} // namespace pravelot
