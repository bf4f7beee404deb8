#pragma once
// A dataset connected through the database module, the process records the dump reads, and helpers to
// fill the dump's source tables and to read a MariaDB database back.

#include "support/DmFixture.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace clouddumptest {

class CloudDumpTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sets the data version (and data type) the dump sees.
    void setVersion(int major, int minor, int revision);
    QString dumpFolder() const;
    QString dumpPath() const { return dumpFolder() + QStringLiteral("/placc.sql"); }
    QString zipPath() const { return dumpFolder() + QStringLiteral("/placc.zip"); }
    // Writes a dump of the open dataset; the text of the file ("" when none).
    bool writeDump(QString* text = nullptr, const QString& database = QStringLiteral("solvar_d_test_1"));

    testenv::DmEnvironment dm;
    testenv::Dataset ds;
};

// Fills every source table of the dump with rows of awkward values (quotes, backslashes, kanji, line
// breaks, NULLs, dates beyond both clamps); the split tables get more than 100 rows.
void fillAllTables(const testenv::Dataset& ds);

// MariaDB of ./test.sh ("host:port:socket" in QV_MARIADB); empty when not running.
QString mariaDbServer();
// Runs SQL through the mariadb client; its standard output, or throws with its errors.
QByteArray mariaDb(const QString& sql, const QString& database = {});

} // namespace clouddumptest
