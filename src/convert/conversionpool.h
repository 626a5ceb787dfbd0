// Conversions on worker threads: one converter for each, so that nothing is shared.
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
    using Job = std::function<ConversionOutcome(Converter &)>;

    // workers threads, each with a converter of its own, for jobs that may run anywhere;
    // and a lane of its own, started at its first job, for the jobs that must run one
    // after another on serial (a .jwk source: the translator's curve-group counter goes
    // on from one file to the next). With workers 0, every job runs at once on the
    // calling thread, with serial.
    ConversionPool(unsigned workers, Converter &serial);
    // Waits for the jobs queued and ends the threads (join).
    ~ConversionPool();
    // Waits for the jobs queued and ends the threads; no job may be queued afterwards.
    void join();
    ConversionPool(const ConversionPool &) = delete;
    ConversionPool &operator=(const ConversionPool &) = delete;

    // Queues job; onSerial: on the serial lane, after the serial jobs queued before it.
    // The future gives its outcome, or what it threw.
    std::future<ConversionOutcome> submit(Job job, bool onSerial);
    // Drops the jobs that have not started yet; their futures then hold
    // std::future_errc::broken_promise.
    void dropQueued();

private:
    using Task = std::packaged_task<ConversionOutcome(Converter &)>;
    struct Lane {
        std::deque<Task> tasks;
        std::vector<std::thread> threads;
    };
    void serve(Lane &lane, Converter &conv);

    Converter &m_serial;
    std::vector<std::unique_ptr<Converter>> m_converters;
    Lane m_anywhere, m_serialLane;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    bool m_stopping = false;
};

} // namespace pravelot
