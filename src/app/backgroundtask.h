// Work for the global thread pool whose result comes back as a QFuture, with nothing but
// Qt Core (the Windows build of Qt that we ship has no Qt Concurrent).
#pragma once

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <type_traits>
#include <utility>

namespace pravelot {

// Runs task() on a pool thread; the future holds its result once it has finished. The
// task owns what it captured, so it may outlive whoever started it.
template <class Task> auto runInBackground(Task task) -> QFuture<std::invoke_result_t<Task>>
{
    using Result = std::invoke_result_t<Task>;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, task = std::move(task)]() mutable {
        promise->addResult(task());
        promise->finish();
    });
    return future;
}

} // namespace pravelot
