#pragma once
// The database module over a fixture data root with its system database connected, the operator key
// 10001 of group 1 logged on; boxes are scripted. Datasets connect on request.

#include "support/DmFixture.h"

#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <gtest/gtest.h>

class DataModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        SystemDef.GROUPID = 1;
        SystemDef.OPCODE = 10001;
    }

    // A new dataset, connected as the open dataset.
    testenv::Dataset openDataset(const testenv::CompanySpec& company = {}) {
        testenv::Dataset ds = root->addDataset(company);
        EXPECT_TRUE(dm->fnAccDatConnected(QString(), ds.folder, 0));
        return ds;
    }

    void execDef(const QString& sql) { e.executeSystem(sql); }
    // One statement on the open dataset in a transaction of its own, committed.
    void execDat(const QString& sql) {
        fb::Transaction t(dm->IBDatabaseDAT);
        fb::Query q(t, sql);
        q.execute();
        t.commit();
    }
    // The first column of the first row as committed data shows it (0 or "<none>" without a row).
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

    testenv::DmEnvironment e;
    std::unique_ptr<testenv::DataRoot>& root = e.root;
    std::unique_ptr<TDM>& dm = e.dm;
    ui::ScopedScriptedUi& shown = e.ui;
};
