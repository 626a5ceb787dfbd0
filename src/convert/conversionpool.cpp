#include "convert/conversionpool.h"

#include <algorithm>

namespace pravelot {

ConversionPool::ConversionPool(unsigned workers, Converter &serial) : m_serial(serial)
{
    for (unsigned i = 0; i < workers; ++i) {
        m_converters.push_back(std::make_unique<Converter>());
        Converter &conv = *m_converters.back();
        m_anywhere.threads.emplace_back([this, &conv] { serve(m_anywhere, conv); });
    }
}

ConversionPool::~ConversionPool() { join(); }

void ConversionPool::join()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_ready.notify_all();
    for (Lane *lane : {&m_anywhere, &m_serialLane}) {
        for (std::thread &t : lane->threads)
            t.join();
        lane->threads.clear();
    }
}

unsigned ConversionPool::defaultWorkers()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

void ConversionPool::push(Task task, bool onSerial)
{
    if (m_converters.empty()) {
        task(m_serial);
        return;
    }
    Lane &lane = onSerial ? m_serialLane : m_anywhere;
    {
        const std::lock_guard lock(m_mutex);
        lane.tasks.push_back(std::move(task));
        if (onSerial && lane.threads.empty())
            lane.threads.emplace_back([this] { serve(m_serialLane, m_serial); });
    }
    m_ready.notify_all();
}

void ConversionPool::dropQueued()
{
    std::deque<Task> dropped;
    const std::lock_guard lock(m_mutex);
    for (Lane *lane : {&m_anywhere, &m_serialLane})
        for (Task &t : lane->tasks)
            dropped.push_back(std::move(t));
    m_anywhere.tasks.clear();
    m_serialLane.tasks.clear();
}

void ConversionPool::serve(Lane &lane, Converter &conv)
{
    for (;;) {
        Task task;
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [&] { return m_stopping || !lane.tasks.empty(); });
            if (lane.tasks.empty())
                return;
            task = std::move(lane.tasks.front());
            lane.tasks.pop_front();
        }
        task(conv);
    }
}

} // namespace pravelot
