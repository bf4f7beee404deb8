#pragma once
// A data root with its system database and a database module connected to it, the operator key 10001
// logged on in group 1; boxes are scripted. Datasets connect on request.

#include "support/DataRootFixture.h"
#include "support/TestEnv.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <gtest/gtest.h>
#include <memory>

class DataModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::make_unique<testenv::DataRoot>();
        const fb::ConnectOptions user = testenv::databaseUser();
        SystemDef.SYSDIR = root->dataDir();
        SystemDef.LogDir = root->logDir();
        SystemDef.USER = user.user;
        SystemDef.PASSWORD = user.password;
        SystemDef.GROUPID = 1;
        SystemDef.OPCODE = 10001;
        dm = std::make_unique<TDM>();
        ASSERT_TRUE(dm->fnAccDefConnected(QString(), 1));
    }
    void TearDown() override {
        dm.reset();
        ResetProcessState();
    }

    // A new dataset, connected as the open dataset.
    testenv::Dataset openDataset(const testenv::CompanySpec& company = {}) {
        testenv::Dataset ds = root->addDataset(company);
        EXPECT_TRUE(dm->fnAccDatConnected(QString(), ds.folder, 0));
        return ds;
    }

    // One statement on the system database in a transaction of its own, committed.
    void execDef(const QString& sql) {
        fb::Transaction t(dm->IBDatabaseDEF);
        fb::Query q(t, sql);
        q.execute();
        t.commit();
    }
    // One statement on the open dataset in a transaction of its own, committed.
    void execDat(const QString& sql) {
        fb::Transaction t(dm->IBDatabaseDAT);
        fb::Query q(t, sql);
        q.execute();
        t.commit();
    }
    // The first column of the first row as committed data shows it (0 without a row).
    int intDef(const QString& sql) { return firstInt(dm->IBDatabaseDEF, sql); }
    QString textDef(const QString& sql) {
        fb::Transaction t(dm->IBDatabaseDEF);
        fb::Query q(t, sql);
        q.open();
        return q.eof() ? QStringLiteral("<none>") : q.field(0).asString();
    }
    static int firstInt(fb::Database& db, const QString& sql) {
        fb::Transaction t(db);
        fb::Query q(t, sql);
        q.open();
        return q.eof() ? 0 : q.field(0).asInt();
    }

    testenv::TempEnvironment env;
    std::unique_ptr<testenv::DataRoot> root;
    std::unique_ptr<TDM> dm;
    ui::ScopedScriptedUi shown;
};
