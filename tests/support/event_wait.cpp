#include "event_wait.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace zvk_test {

bool wait_until(const std::function<bool()>& done, int timeout_ms) {
    if (done())
        return true;
    QDeadlineTimer deadline(timeout_ms);
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    check.start(2);
    loop.exec();
    return done();
}

void process_events_for(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace zvk_test
