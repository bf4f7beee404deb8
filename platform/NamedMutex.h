#pragma once
// Named mutexes of the original platform as lock files in the runtime folder, one file per name,
// held with flock. The lock belongs to the open file, so it ends with the process however that ends, and
// the descriptor is never handed to child processes.

#include <QString>

class NamedMutex {
public:
    NamedMutex() = default;
    ~NamedMutex() { release(); }
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // True when a mutex of that name is held (an open of the mutex would succeed), also when this
    // process holds it through another object.
    static bool exists(const QString& name);
    // The lock file of a name.
    static QString lockFilePath(const QString& name);

    // Takes the mutex; false when it is held elsewhere or the lock file cannot be made or opened. In the
    // second case failure (when given) receives the reason, naming the file; it stays empty when the mutex
    // is held elsewhere.
    bool create(const QString& name, QString* failure = nullptr);
    void release();
    bool isHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
