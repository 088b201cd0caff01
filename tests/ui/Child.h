#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace kestrom::test {

/// The control of the given objectName below root; a missing one ends the
/// test program at once, naming it.
template <class T> T* Child(QObject* root, const char* name) {
    T* c = root->findChild<T*>(QString::fromLatin1(name));
    if (c == nullptr) qFatal("no control %s", name);
    return c;
}

} // namespace kestrom::test
