#pragma once
// The Firebird services API: backup, restore, validation and the list of attached databases.
// An empty host uses the embedded engine inside this process; a host such as "127.0.0.1" or
// "127.0.0.1/30550" goes to that server. Database and backup file names are paths as the engine that
// does the work sees them.

#include "platform/firebird/FbError.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace fb {

struct ServiceOptions {
    QString host; // empty: embedded engine
    QString user;
    QString password;
};

struct BackupOptions {
    bool verbose = false;
    bool ignoreLimbo = false;
    bool noGarbageCollection = false;
    bool nonTransportable = false;
};

struct RestoreOptions {
    bool replace = false; // an existing database file is overwritten
    bool create = true;   // a missing database file is created
    bool deactivateIndexes = false;
    int pageSize = 0;    // 0: as in the backup
    int pageBuffers = 0; // 0: default
    bool verbose = false;
};

class Services {
public:
    // Called with every line of a service's output while it runs (the caller may process events).
    using LineHandler = std::function<void(const QString& line)>;

    explicit Services(const ServiceOptions& options);
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    // Each operation attaches to the service manager, runs to its end and returns the lines the service
    // reported. Errors (also those the service reports while running) throw fb::Error.
    QStringList backup(const QString& database, const QString& backupFile, const BackupOptions& options = {},
                       const LineHandler& onLine = {});
    QStringList restore(const QString& backupFile, const QString& database,
                        const RestoreOptions& options = {}, const LineHandler& onLine = {});
    // Full validation without repair, checksum errors ignored; the lines are the problems found
    // (none for a sound database).
    QStringList validate(const QString& database, const LineHandler& onLine = {});
    // The databases attached to the engine (file names as the engine knows them).
    QStringList attachedDatabases();

private:
    ServiceOptions m_options;
};

} // namespace fb
