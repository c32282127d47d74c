#pragma once
// Signature-string connections fail only at run time, with a warning that is easy to miss. Every
// connection of the program goes through this, so a wrong signature stops the program at once
// (and fails every test that builds the object).
#include <QObject>

inline void checked_connect(const QObject* sender, const char* signal, const QObject* receiver,
                            const char* method) {
    if (!QObject::connect(sender, signal, receiver, method))
        qFatal("connection failed: %s -> %s", signal, method);
}
