#pragma once
// Which Qt objects threads other than the window's make, seen through Qt's hook for object creation
// and destruction (the one debugging tools use). The log views hand only plain text from their
// worker threads to the window's thread: a text document made on a worker, and touched there after
// the window's thread has it, is the fault this catches.
#include <QObject>
#include <QTimer>

namespace zvk_test {

class WorkerObjectWatch {
public:
    // The thread that makes the watch is the window's. One watch at a time.
    WorkerObjectWatch();
    ~WorkerObjectWatch();
    WorkerObjectWatch(const WorkerObjectWatch&) = delete;
    WorkerObjectWatch& operator=(const WorkerObjectWatch&) = delete;

    // How many of the objects that other threads made, while alive at one of the looks the watch
    // takes (at every turn of the event loop, and at each call of this), were text documents.
    int text_documents();

private:
    void look();
    QTimer timer;
    int documents = 0;
};

} // namespace zvk_test
