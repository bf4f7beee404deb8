#pragma once
// Test environment: a temporary folder that the special folders point into, so no test touches the
// user's files. Later helpers (data roots, datasets) build on it.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <map>

class QObject;
class QWidget;

namespace testenv {

// Sets an environment variable for the lifetime of the object and restores the old value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value);
    ~ScopedEnv();

private:
    QByteArray m_name;
    QByteArray m_old;
    bool m_had;
};

// Qt's own settings of the user (the file dialog's last folder, column widths and view) kept in a
// folder of the test's while the object lives.
class ScopedQtSettings {
public:
    explicit ScopedQtSettings(const QString& folder);
    ~ScopedQtSettings();
    ScopedQtSettings(const ScopedQtSettings&) = delete;
    ScopedQtSettings& operator=(const ScopedQtSettings&) = delete;
};

// A temporary folder with the special folders (app data, documents, temp, runtime), the registry file and
// Qt's own settings below it; whatever the caller's environment names for them is set aside while the object
// lives.
class TempEnvironment {
public:
    TempEnvironment();
    const QString& path() const { return m_path; }
    QString commonAppData() const { return m_path + QStringLiteral("/appdata"); }
    QString documents() const { return m_path + QStringLiteral("/documents"); }
    QString temp() const { return m_path + QStringLiteral("/temp"); }
    QString runtime() const { return m_path + QStringLiteral("/run"); }
    QString registryFile() const { return commonAppData() + QStringLiteral("/registry.ini"); }
    QString qtSettings() const { return m_path + QStringLiteral("/config"); }

private:
    QTemporaryDir m_dir;
    QString m_path;
    ScopedEnv m_appData, m_documents, m_temp, m_runtime, m_registry;
    ScopedQtSettings m_qtSettings;
};

// Writes a file, creating its folder; false when it cannot be written.
bool writeFile(const QString& path, const QByteArray& bytes);
// The bytes of a file, or "<missing>" when it cannot be read.
QByteArray readFile(const QString& path);

// A full disk without root: files of this process cannot grow beyond bytes any more, and a write past
// that fails with EFBIG instead of ending the process. Meant for the forked child of a death test
// (EXPECT_EXIT), which shares the test's folders and leaves the test process as it was.
void limitFileSize(qint64 bytes);

// A small file system (tmpfs of the given size) mounted over a folder while the object lives, to make a
// full disk for real. Needs root: without it nothing is mounted and why() says so, for a skip message.
// The folder's own entries are hidden while it is mounted; the unmount is lazy when something still
// holds a file open there.
class SmallDisk {
public:
    SmallDisk(const QString& folder, qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return m_mounted; }
    const QString& why() const { return m_why; }

private:
    QByteArray m_folder;
    bool m_mounted = false;
    QString m_why;
};

// Saves a picture of a window as <name>.png when QV_SHOTS names a folder, to look at its layout by eye;
// without it nothing is written.
void saveShot(QWidget& window, const QString& name);

// The owner of what a test leaves waiting in the event loop (the timers of its scripted steps). The test
// main deletes it when a test ends, so nothing of one test runs in the next.
QObject* testScope();
void endTestScope();

// Runs step on the event loop every 20 ms until it returns true or the test ends. It waits on the thing
// itself, never on the clock: a step whose window never comes leaves the test hanging where it waits.
void whenReady(const std::function<bool()>& step);

// Turns the event loop until done() holds, looking every 20 ms; no clock limits the wait.
void waitUntil(const std::function<bool()>& done);

// Source and build folders of the project.
QString sourceDir();
QString buildDir();

} // namespace testenv
