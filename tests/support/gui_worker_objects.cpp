#include "gui_worker_objects.h"

#include <QTextDocument>
#include <QtGlobal>

#include <mutex>
#include <set>
#include <thread>

// Qt's hooks for tools; declared in a private Qt header, exported by QtCore.
extern quintptr Q_CORE_EXPORT qtHookData[];

namespace zvk_test {

namespace {

enum HookIndex { hook_data_version = 0, add_object = 3, remove_object = 4 };
using ObjectHook = void (*)(QObject*);

std::mutex watched_mutex;
std::set<QObject*> worker_objects; // made on another thread than the window's, alive
std::thread::id window_thread;
ObjectHook previous_add = nullptr;
ObjectHook previous_remove = nullptr;

void object_added(QObject* object) {
    // No Qt call here: asking Qt for the current thread could make an object, and come back here.
    if (std::this_thread::get_id() != window_thread) {
        std::lock_guard<std::mutex> lock(watched_mutex);
        worker_objects.insert(object);
    }
    if (previous_add)
        previous_add(object);
}

void object_removed(QObject* object) {
    {
        std::lock_guard<std::mutex> lock(watched_mutex);
        worker_objects.erase(object);
    }
    if (previous_remove)
        previous_remove(object);
}

} // namespace

WorkerObjectWatch::WorkerObjectWatch() {
    window_thread = std::this_thread::get_id();
    previous_add = reinterpret_cast<ObjectHook>(qtHookData[add_object]);
    previous_remove = reinterpret_cast<ObjectHook>(qtHookData[remove_object]);
    qtHookData[add_object] = reinterpret_cast<quintptr>(&object_added);
    qtHookData[remove_object] = reinterpret_cast<quintptr>(&object_removed);
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [this] { look(); });
    timer.start();
}

WorkerObjectWatch::~WorkerObjectWatch() {
    timer.stop();
    qtHookData[add_object] = reinterpret_cast<quintptr>(previous_add);
    qtHookData[remove_object] = reinterpret_cast<quintptr>(previous_remove);
    std::lock_guard<std::mutex> lock(watched_mutex);
    worker_objects.clear();
}

void WorkerObjectWatch::look() {
    // Under the lock no watched object can reach the end of its destruction (Qt calls the removal
    // hook in QObject's destructor), so each one looked at is still there.
    std::lock_guard<std::mutex> lock(watched_mutex);
    for (auto it = worker_objects.begin(); it != worker_objects.end();) {
        if (qobject_cast<QTextDocument*>(*it)) {
            ++documents;
            it = worker_objects.erase(it); // counted once
        } else {
            ++it;
        }
    }
}

int WorkerObjectWatch::text_documents() {
    look();
    return documents;
}

} // namespace zvk_test
