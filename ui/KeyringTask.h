#pragma once

#include "core/LogicCore.h"

#include <QApplication>
#include <QEventLoop>
#include <QFuture>
#include <QFutureWatcher>
#include <QPromise>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

/// Runs `work` on the core's keyring thread, after what was asked of it before; the future
/// gives its result. Watch it with a QFutureWatcher owned by whoever wants the result: a watcher
/// that is gone hears nothing, and the work finishes regardless.
template <class Result>
QFuture<Result> onKeyringThread(LogicCore& core, std::function<Result()> work) {
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    core.keyringWork().post([promise, work = std::move(work)] {
        promise->addResult(work());
        promise->finish();
    });
    return future;
}

/// Runs `work` on the keyring's thread while `window` waits for it, disabled but painted (the
/// keyring may ask the person to unlock it). Nothing when the program is ending meanwhile.
template <class Result>
std::optional<Result> waitForKeyring(LogicCore& core, QWidget* window,
                                     std::function<Result()> work) {
    QFutureWatcher<Result> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(onKeyringThread(core, std::move(work)));
    window->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!watcher.isFinished())
        loop.exec();
    QApplication::restoreOverrideCursor();
    window->setEnabled(true);
    if (!watcher.isFinished())
        return std::nullopt;
    return watcher.result();
}
