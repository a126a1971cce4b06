// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/background_job_widget.h"

#include <QMetaObject>
#include <exception>

namespace zelvar {

void BackgroundJob::start(QObject* receiver, std::function<void()> work, std::function<void()> done) {
    failed_ = false;
    failure_.clear();
    worker_ = std::thread([this, receiver, work = std::move(work), done = std::move(done)] {
        try {
            work();
        } catch (const std::exception& e) {
            failed_ = true;
            failure_ = e.what();
        } catch (...) {
            failed_ = true;
            failure_ = "Unknown error";
        }
        QMetaObject::invokeMethod(receiver, done, Qt::QueuedConnection);
    });
}

bool BackgroundJob::join() {
    if (!worker_.joinable()) return false;
    worker_.join();
    return true;
}

}  // namespace zelvar
