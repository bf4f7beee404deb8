// The shared-server list on a real folder as the share: loading, filter, sort, incremental search, copy
// and paste, new areas, delete, and two computers (two data roots) meeting on one share.

#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "platform/IniFile.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"
#include "tusin/z5ServerSentaku.h"
#include "ui_z5ServerSentaku.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct AreaSpec {
    QString name;
    QString code;
    int status = 1;
    int share = 1;
    int gassan = 0;
    int totalSiwake = 0;
    QString version = QStringLiteral("11.0.5");
    int dataKbn = 1;
    int codeKbn = 1;
    QString kishu = QStringLiteral("2024/04/01");
    QString kimatu = QStringLiteral("2025/03/31");
};

class ServerSentakuTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        SystemDef.AppIniFile = e.root->appIni();
        nas = e.env.path() + QStringLiteral("/nas");
        root = nas + QStringLiteral("/pellanzaimu");
        ASSERT_TRUE(QDir().mkpath(root));
        IniFile ini(SystemDef.AppIniFile, false);
        ini.writeString(QStringLiteral("SHAREFOLDER"), QStringLiteral("S"), nas);
        ASSERT_TRUE(ini.save());
        SystemDef.Reserve4Flag2 = 0;
    }

    QString folder(const QString& name) const { return root + u'/' + name; }

    // An area holding a dataset: the data file (its bytes stand for the database) and its information.
    void makeArea(const QString& name, const AreaSpec& a, const QByteArray& data = "DATA") const {
        const QString f = folder(name);
        ASSERT_TRUE(testenv::writeFile(f + QStringLiteral("/placc.fdb"), data));
        IniFile ini(f + QStringLiteral("/placc.ini"), false);
        const QString s = QStringLiteral("DATASTS"), i = QStringLiteral("DATAINFO");
        ini.writeInteger(s, QStringLiteral("STATUS"), a.status);
        ini.writeInteger(s, QStringLiteral("SHARE_STATUS"), a.share);
        ini.writeString(i, QStringLiteral("DATALISTNAME"), a.name);
        ini.writeString(i, QStringLiteral("SHOUGOU"), a.name);
        ini.writeString(i, QStringLiteral("CODE"), a.code);
        ini.writeInteger(i, QStringLiteral("NENDO"), 3);
        ini.writeString(i, QStringLiteral("KISHU"), a.kishu);
        ini.writeString(i, QStringLiteral("KIMATU"), a.kimatu);
        ini.writeInteger(i, QStringLiteral("DATAKBN"), a.dataKbn);
        ini.writeInteger(i, QStringLiteral("CODEKBN"), a.codeKbn);
        ini.writeInteger(i, QStringLiteral("GASSANKBN"), a.gassan);
        ini.writeInteger(i, QStringLiteral("TOTALSIWAKE"), a.totalSiwake);
        ini.writeString(i, QStringLiteral("VERSION1"), a.version);
        ini.writeString(i, QStringLiteral("VERSION2"), a.version);
        ASSERT_TRUE(ini.save());
    }
    void makeFree(const QString& name) const { ASSERT_TRUE(QDir().mkpath(folder(name))); }

    QString iniValue(const QString& name, const QString& section, const QString& key) const {
        return IniFile(folder(name) + QStringLiteral("/placc.ini")).readString(section, key);
    }
    QString status(const QString& name) const {
        return iniValue(name, QStringLiteral("DATASTS"), QStringLiteral("STATUS"));
    }

    // The grid row of an area folder, -1 when not shown.
    static int rowOf(TServerSentakuBox& box, const QString& path) {
        TPerfectGrid* g = box.Grid();
        for (int r = 0; r < g->RowCount(); ++r)
            if (g->CellText(r, TServerSentakuBox::colFolder) == path)
                return r;
        return -1;
    }
    void select(TServerSentakuBox& box, const QString& name) {
        const int r = rowOf(box, folder(name));
        ASSERT_GE(r, 0) << name.toStdString();
        box.Grid()->SetCurrentCell(r, TServerSentakuBox::colName);
        box.SetFunctionKeys();
    }
    void open(TServerSentakuBox& box) {
        box.DriveLetter = QStringLiteral("S");
        box.Setup(1);
    }
    QStringList messages() { return e.ui->messageTexts(); }

    testenv::DmEnvironment e;
    QString nas;
    QString root;
};

TEST_F(ServerSentakuTest, FixtureShareShowsColumnsColoursAndStates) {
    makeFree(QStringLiteral("sv0001"));
    makeArea(QStringLiteral("sv0002"), {QStringLiteral("通常会社"), QStringLiteral("1001")});
    AreaSpec merged{QStringLiteral("合算会社"), QStringLiteral("2001")};
    merged.gassan = 1;
    makeArea(QStringLiteral("sv0003"), merged);
    makeArea(QStringLiteral("sv0003/01"), {QStringLiteral("支店一"), QStringLiteral("2101")});
    makeArea(QStringLiteral("sv0003/02"), {QStringLiteral("支店二"), QStringLiteral("2102")});
    AreaSpec damaged{QStringLiteral("破損会社"), QStringLiteral("3001")};
    damaged.status = 10;
    makeArea(QStringLiteral("sv0004"), damaged);
    AreaSpec inUse{QStringLiteral("使用会社"), QStringLiteral("4001")};
    inUse.share = 2;
    makeArea(QStringLiteral("sv0005"), inUse);

    TServerSentakuBox box;
    open(box);
    EXPECT_EQ(box.ShareRoot, root);
    EXPECT_EQ(box.DriveLetter, QStringLiteral("S"));
    // An empty list refreshes from the share on opening, even with automatic refresh off.
    ASSERT_EQ(box.List.size(), 5);
    // A new area joins the list.
    e.ui->queueInput(QStringLiteral("NEW01"));
    box.AddArea();

    TPerfectGrid* g = box.Grid();
    using C = TServerSentakuBox;
    ASSERT_EQ(g->RowCount(), 8); // six areas, two children
    EXPECT_EQ(g->CellText(-1, C::colFolder), QStringLiteral("データフォルダ▲"));
    const int free = rowOf(box, folder(QStringLiteral("sv0001")));
    EXPECT_EQ(g->CellText(free, C::colName), kFreeAreaText);
    EXPECT_EQ(g->CellText(free, C::colKikan), QStringLiteral("～"));
    EXPECT_EQ(g->CellText(free, C::colNendo), QString());
    const int fresh = rowOf(box, folder(QStringLiteral("new01")));
    EXPECT_EQ(g->CellText(fresh, C::colName), kNewAreaText);
    const int normal = rowOf(box, folder(QStringLiteral("sv0002")));
    EXPECT_EQ(g->CellText(normal, C::colCode), QStringLiteral("1001"));
    EXPECT_EQ(g->CellText(normal, C::colNendo), QStringLiteral("3 期"));
    EXPECT_EQ(g->CellText(normal, C::colKikan), QStringLiteral("2024/04/01 ～ 2025/03/31"));
    EXPECT_EQ(g->CellText(normal, C::colVersion), QStringLiteral("11.0.5"));
    const int parent = rowOf(box, folder(QStringLiteral("sv0003")));
    EXPECT_EQ(int(g->GetCellValue(parent, C::colGassan)), 1);
    EXPECT_EQ(g->CellText(parent + 1, C::colName), QStringLiteral("01 支店一"));
    EXPECT_EQ(g->CellText(parent + 2, C::colName), QStringLiteral("02 支店二"));
    EXPECT_EQ(int(g->GetCellValue(parent + 2, C::colGassan)), 10);
    EXPECT_EQ(int(g->GetCellValue(parent + 2, C::colChildIndex)), 2);
    EXPECT_EQ(g->CellText(parent + 1, C::colNo), QString());
    const int broken = rowOf(box, folder(QStringLiteral("sv0004")));
    EXPECT_EQ(int(g->GetCellValue(broken, C::colStatus)), 1);
    const int busy = rowOf(box, folder(QStringLiteral("sv0005")));
    EXPECT_EQ(int(g->GetCellValue(busy, C::colShareFlag)), 1);
    EXPECT_EQ(int(g->GetCellValue(normal, C::colShareFlag)), 0);
    // Damaged rows are red, the others alternate white and the odd-row colour.
    const auto back = [&](int r) {
        return static_cast<QTableWidget*>(g)->item(r, C::colCode)->background().color();
    };
    EXPECT_EQ(back(broken), QColor(255, 0, 0));
    EXPECT_EQ(back(0), QColor(255, 255, 255));
    EXPECT_EQ(back(1), QColor(0xE1, 0xF0, 0xFF));
    // Widths by edition: the cloud column shown, the hidden value columns at 0.
    EXPECT_EQ(g->GetColWidth(C::colName), 208);
    for (int c = C::colShareFlag; c < C::ColCount; ++c)
        EXPECT_EQ(g->GetColWidth(c), 0) << c;

    testenv::saveShot(box, QStringLiteral("server_sentaku_states"));

    // Key bar by row: a child row cannot be copied, deleted or chosen; an in-use area not deleted.
    select(box, QStringLiteral("sv0003/02"));
    EXPECT_EQ(box.KeyCaption(C::kF2), QStringLiteral("F2:"));
    EXPECT_EQ(box.KeyCaption(C::kF12), QStringLiteral("F12:"));
    select(box, QStringLiteral("sv0005"));
    EXPECT_EQ(box.KeyCaption(C::kF5), QStringLiteral("F5:"));
    EXPECT_EQ(box.KeyCaption(C::kF2), QStringLiteral("F2:コピー"));
    select(box, QStringLiteral("sv0004"));
    EXPECT_EQ(box.KeyCaption(C::kF12), QStringLiteral("F12:"));
    select(box, QStringLiteral("sv0001"));
    EXPECT_EQ(box.KeyCaption(C::kF2), QStringLiteral("F2:"));
    EXPECT_EQ(box.KeyCaption(C::kF4), QStringLiteral("F4:領域追加"));

    // F12 on a merged parent with a damaged child keeps the form open.
    AreaSpec brokenChild{QStringLiteral("支店二"), QStringLiteral("2102")};
    brokenChild.status = 10;
    makeArea(QStringLiteral("sv0003/02"), brokenChild);
    box.RefreshFromShare();
    select(box, QStringLiteral("sv0003"));
    e.ui->clear();
    box.F12Click();
    EXPECT_EQ(box.result(), 0);
    ASSERT_EQ(e.ui->shown().size(), 1u);
    EXPECT_TRUE(messages().front().contains(folder(QStringLiteral("sv0003/02"))));
}

TEST_F(ServerSentakuTest, FilterByCodeNameVersionAndKind) {
    AreaSpec a{QStringLiteral("ＡＢＣ商事"), QStringLiteral("AB01")};
    AreaSpec b{QStringLiteral("abc物産"), QStringLiteral("ab")};
    b.version = QStringLiteral("11.1.0");
    AreaSpec c{QStringLiteral("個人事業"), QStringLiteral("XB01")};
    c.dataKbn = 2;
    c.codeKbn = 2;
    makeArea(QStringLiteral("sv0001"), a);
    makeArea(QStringLiteral("sv0002"), b);
    makeArea(QStringLiteral("sv0003"), c);
    TServerSentakuBox box;
    open(box);
    ASSERT_EQ(box.List.size(), 3);

    struct Case {
        const char* what;
        std::function<void(TDataKensakuRec&)> set;
        QStringList codes;
    };
    const QList<Case> cases{
        {"code prefix, any case",
         [](auto& j) { j.DATACODE = QStringLiteral("ab"); },
         {QStringLiteral("AB01"), QStringLiteral("ab")}},
        {"name half-width matches full-width",
         [](auto& j) { j.DATANAME = QStringLiteral("abc"); },
         {QStringLiteral("AB01"), QStringLiteral("ab")}},
        {"version major.minor",
         [](auto& j) { j.DATAVER = QStringLiteral("11.0"); },
         {QStringLiteral("AB01"), QStringLiteral("XB01")}},
        {"kind pair",
         [](auto& j) {
             j.DATATYPE = 2;
             j.CODETYPE = 2;
         },
         {QStringLiteral("XB01")}},
    };
    for (const Case& k : cases) {
        ClearKensakuFilters(box.Jyoken);
        k.set(box.Jyoken);
        box.ApplyFilter();
        QStringList shown;
        for (qint32 i : box.Disp)
            shown << box.List[i].DATACODE;
        shown.sort();
        EXPECT_EQ(shown, k.codes) << k.what;
    }
}

TEST_F(ServerSentakuTest, HeaderSortTogglesAndSurvivesReopening) {
    makeArea(QStringLiteral("sv0001"), {QStringLiteral("甲"), QStringLiteral("300")});
    makeArea(QStringLiteral("sv0002"), {QStringLiteral("乙"), QStringLiteral("100")});
    makeArea(QStringLiteral("sv0003"), {QStringLiteral("丙"), QStringLiteral("200")});
    const auto codes = [](TServerSentakuBox& box) {
        QStringList out;
        for (int r = 0; r < box.Grid()->RowCount(); ++r)
            out << box.Grid()->CellText(r, TServerSentakuBox::colCode);
        return out;
    };
    {
        TServerSentakuBox box;
        open(box);
        box.SortByColumn(TServerSentakuBox::colCode);
        EXPECT_EQ(codes(box), (QStringList{"100", "200", "300"}));
        box.SortByColumn(TServerSentakuBox::colCode);
        EXPECT_EQ(codes(box), (QStringList{"300", "200", "100"}));
        EXPECT_EQ(box.Grid()->CellText(-1, TServerSentakuBox::colCode), QStringLiteral("コード▼"));
        box.done(ui::mrCancel);
        // The same form opened again keeps the choice.
        open(box);
        EXPECT_EQ(codes(box), (QStringList{"300", "200", "100"}));
        box.SortByColumn(TServerSentakuBox::colCode);
        box.SortByColumn(TServerSentakuBox::colCode);
        box.done(ui::mrCancel);
    }
    // A new form reads it from the stored condition.
    TServerSentakuBox again;
    open(again);
    EXPECT_EQ(again.SortCol, TServerSentakuBox::colCode);
    EXPECT_TRUE(again.SortDesc);
    EXPECT_EQ(codes(again), (QStringList{"300", "200", "100"}));
}

TEST_F(ServerSentakuTest, TypingOneTwoQuicklyFindsTheFirstCodeStartingTwelve) {
    int n = 1;
    for (const char* code : {"1000", "1100", "2120", "1200", "1250"})
        makeArea(QStringLiteral("sv%1").arg(n++, 4, 10, QLatin1Char('0')),
                 {QStringLiteral("会社%1").arg(code), QString::fromLatin1(code)});
    TServerSentakuBox box;
    open(box);
    box.show();
    QApplication::setActiveWindow(&box);
    TPerfectGrid* g = box.Grid();
    g->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return g->hasFocus(); }, 2000));
    g->SetCurrentCell(0, TServerSentakuBox::colName);
    QTest::keyClick(g, Qt::Key_1);
    QTest::keyClick(g, Qt::Key_2);
    EXPECT_EQ(box.IncSearchTimer()->interval(), 1000);
    EXPECT_EQ(box.IncSearchText, QStringLiteral("12"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.IncSearchText.isEmpty(); }, 3000));
    EXPECT_EQ(g->CellText(g->CurrentRow(), TServerSentakuBox::colCode), QStringLiteral("1200"));
    testenv::saveShot(box, QStringLiteral("server_sentaku"));
    box.hide();

    // The virtual keys of the search and the characters they stand for.
    const QList<QPair<int, QChar>> keys{{'7', u'7'}, {'K', u'K'},  {96, u'0'},    {106, u'*'},   {111, u'/'},
                                        {186, u':'}, {187, u';'},  {188, u','},   {191, u'/'},   {192, u'@'},
                                        {222, u'^'}, {226, u'\\'}, {32, QChar()}, {112, QChar()}};
    for (const auto& [vk, c] : keys)
        EXPECT_EQ(IncSearchChar(vk), c) << vk;
}

TEST_F(ServerSentakuTest, CopyOntoAFreeAreaCopiesAndRenames) {
    makeArea(QStringLiteral("sv0001"), {QStringLiteral("北海商事"), QStringLiteral("0100")}, "SOURCE-DATA");
    makeFree(QStringLiteral("sv0002"));
    TServerSentakuBox box;
    open(box);
    select(box, QStringLiteral("sv0001"));
    box.F2Click();
    ASSERT_TRUE(box.PastePending);
    EXPECT_EQ(status(QStringLiteral("sv0001")), QStringLiteral("6"));
    select(box, QStringLiteral("sv0002"));
    EXPECT_EQ(box.KeyCaption(TServerSentakuBox::kF2), QStringLiteral("F2:貼り付け"));
    box.F2Click();

    EXPECT_FALSE(box.PastePending);
    EXPECT_EQ(testenv::readFile(folder(QStringLiteral("sv0002/placc.fdb"))), QByteArray("SOURCE-DATA"));
    EXPECT_EQ(iniValue(QStringLiteral("sv0002"), QStringLiteral("DATAINFO"), QStringLiteral("DATALISTNAME")),
              QStringLiteral("北海商事～コピー"));
    EXPECT_EQ(status(QStringLiteral("sv0002")), QStringLiteral("1"));
    EXPECT_EQ(iniValue(QStringLiteral("sv0002"), QStringLiteral("DATASTS"), QStringLiteral("SHARE_STATUS")),
              QStringLiteral("1"));
    EXPECT_EQ(status(QStringLiteral("sv0001")), QStringLiteral("1"));
    const int r = rowOf(box, folder(QStringLiteral("sv0002")));
    ASSERT_GE(r, 0);
    EXPECT_EQ(box.Grid()->CellText(r, TServerSentakuBox::colName), QStringLiteral("北海商事～コピー"));
    EXPECT_EQ(box.Grid()->CellText(r, TServerSentakuBox::colCode), QStringLiteral("0100"));
    EXPECT_EQ(box.Grid()->CurrentRow(), r);
}

TEST_F(ServerSentakuTest, PasteOntoDamagedDataAsksInsteadOfComparingAndEscCancelsACopy) {
    // A name of 40 bytes: the copy's name loses its suffix to the limit.
    const QString longName = QStringLiteral("株式会社とても長い名前の会社でございます");
    makeArea(QStringLiteral("sv0001"), {longName, QStringLiteral("0900")}, "SRC");
    AreaSpec damaged{QStringLiteral("破損会社"), QStringLiteral("0901")};
    damaged.status = 10;
    damaged.totalSiwake = 99999;
    makeArea(QStringLiteral("sv0002"), damaged, "BROKEN");
    TServerSentakuBox box;
    open(box);

    // Esc while a copy is pending cancels the copy, not the form.
    select(box, QStringLiteral("sv0001"));
    box.F2Click();
    ASSERT_EQ(status(QStringLiteral("sv0001")), QStringLiteral("6"));
    box.ESCClick();
    EXPECT_FALSE(box.PastePending);
    EXPECT_EQ(status(QStringLiteral("sv0001")), QStringLiteral("1"));
    EXPECT_EQ(box.result(), 0);

    select(box, QStringLiteral("sv0001"));
    box.F2Click();
    select(box, QStringLiteral("sv0002"));
    e.ui->clear();
    e.ui->queueAnswer(ui::mrYes);
    box.F2Click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().front().startsWith(QStringLiteral("このデータは破損データのため")));
    EXPECT_EQ(testenv::readFile(folder(QStringLiteral("sv0002/placc.fdb"))), QByteArray("SRC"));
    const QString copyName =
        iniValue(QStringLiteral("sv0002"), QStringLiteral("DATAINFO"), QStringLiteral("DATALISTNAME"));
    EXPECT_EQ(copyName, QStringLiteral("株式会社とても長い名前の会社でございます"));
    const int r = rowOf(box, folder(QStringLiteral("sv0002")));
    EXPECT_EQ(int(box.Grid()->GetCellValue(r, TServerSentakuBox::colStatus)), 0);

    // F12 on a data row chooses it.
    select(box, QStringLiteral("sv0002"));
    box.F12Click();
    EXPECT_EQ(box.result(), ui::mrOk);
    EXPECT_EQ(box.ChosenFolder, folder(QStringLiteral("sv0002")));
    EXPECT_EQ(box.ChosenName, copyName);
}

TEST_F(ServerSentakuTest, PasteOverMoreJournalsAsksAndStopsWhenNotAgreed) {
    AreaSpec source{QStringLiteral("南海商事"), QStringLiteral("0200")};
    source.totalSiwake = 1234;
    AreaSpec target{QStringLiteral("南海商事"), QStringLiteral("0200")};
    target.totalSiwake = 1500;
    makeArea(QStringLiteral("sv0001"), source, "NEW");
    makeArea(QStringLiteral("sv0002"), target, "OLD");
    TServerSentakuBox box;
    open(box);
    select(box, QStringLiteral("sv0001"));
    box.F2Click();
    select(box, QStringLiteral("sv0002"));
    e.ui->clear();
    e.ui->queueAnswer(ui::mrCancel);
    box.F2Click();

    ASSERT_EQ(e.ui->shown().size(), 1u);
    const ui::MessageRequest& asked = e.ui->shown().front().message;
    EXPECT_EQ(asked.caption, QStringLiteral("データ照合チェックの結果"));
    EXPECT_TRUE(asked.text.contains(QStringLiteral("仕訳件数(修正・削除仕訳含む)が減っています。")));
    EXPECT_TRUE(asked.text.contains(QStringLiteral("　【貼り付け元】：1,234 件")));
    EXPECT_TRUE(asked.text.contains(QStringLiteral("　【貼り付け先】：1,500 件")));
    EXPECT_EQ(asked.agreeCaption, QStringLiteral("データ貼り付け処理の続行に同意します。"));
    EXPECT_EQ(testenv::readFile(folder(QStringLiteral("sv0002/placc.fdb"))), QByteArray("OLD"));
    EXPECT_EQ(status(QStringLiteral("sv0001")), QStringLiteral("1"));
    EXPECT_EQ(status(QStringLiteral("sv0002")), QStringLiteral("1"));
    EXPECT_FALSE(box.PastePending);
}

TEST_F(ServerSentakuTest, RefusedPastesLoseNothingAndFreeBothAreas) {
    struct Case {
        const char* what;
        QString target; // area name; the crafted one lies inside the source
        QString refusal;
    };
    const QList<Case> cases{
        {"onto itself", QStringLiteral("sv0001"), QString()},
        {"onto an area in use", QStringLiteral("sv0002"), QStringLiteral("のため処理が行えません。")},
        {"target inside the source", QStringLiteral("sv0001/inner"),
         QStringLiteral("貼付先にコピー元のパスが含まれています。処理を中断します。")},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        makeArea(QStringLiteral("sv0001"), {QStringLiteral("東海商事"), QStringLiteral("0300")}, "SRC");
        AreaSpec busy{QStringLiteral("西海商事"), QStringLiteral("0400")};
        busy.status = 2;
        makeArea(QStringLiteral("sv0002"), busy, "BUSY");
        makeFree(QStringLiteral("sv0003"));
        ASSERT_TRUE(testenv::writeFile(folder(QStringLiteral("sv0001/keep.txt")), "KEEP"));
        TServerSentakuBox box;
        open(box);
        box.RefreshFromShare();
        if (k.target.contains(u'/')) {
            // A list row that names a folder inside the source (not made yet: the paste would make it).
            const int r = rowOf(box, folder(QStringLiteral("sv0003")));
            box.List[box.ListIndexOfRow(r)].PASNAME = folder(k.target);
            box.FillGrid();
        }
        select(box, QStringLiteral("sv0001"));
        box.F2Click();
        ASSERT_TRUE(box.PastePending);
        select(box, k.target);
        e.ui->clear();
        box.F2Click();
        if (k.refusal.isEmpty())
            EXPECT_TRUE(messages().isEmpty());
        else
            EXPECT_TRUE(!messages().isEmpty() && messages().front().contains(k.refusal))
                << messages().join('|').toStdString();
        EXPECT_FALSE(box.PastePending);
        EXPECT_EQ(testenv::readFile(folder(QStringLiteral("sv0001/placc.fdb"))), QByteArray("SRC"));
        EXPECT_EQ(testenv::readFile(folder(QStringLiteral("sv0001/keep.txt"))), QByteArray("KEEP"));
        EXPECT_EQ(testenv::readFile(folder(QStringLiteral("sv0002/placc.fdb"))), QByteArray("BUSY"));
        // Nothing was copied into the source itself.
        EXPECT_FALSE(QFileInfo::exists(folder(QStringLiteral("sv0001/inner"))));
        EXPECT_EQ(status(QStringLiteral("sv0001")), QStringLiteral("1"));
        EXPECT_EQ(status(QStringLiteral("sv0002")), QStringLiteral("2"));
        box.done(ui::mrCancel);
        QDir(root).removeRecursively();
        QDir().mkpath(root);
    }
}

TEST_F(ServerSentakuTest, AddAreaStopsAtTwoThousandAndRefusesExistingFolders) {
    // 1999 stored areas: the list is loaded from the database, not from the share.
    {
        auto db = e.root->connectSystem();
        fb::Transaction t(*db);
        fb::Query q(t,
                    QStringLiteral("INSERT INTO SERVERDATALIST (GROUPID, DRIVELETTER, REC, ENTTEXT, PASNAME) "
                                   "VALUES (10000, :D, :REC, :E, :P)"));
        for (int i = 1; i <= 1999; ++i) {
            q.setString("D", root.left(1));
            q.setInt("REC", i);
            q.setString("E", kFreeAreaText);
            q.setString("P", folder(QStringLiteral("sv%1").arg(i, 4, 10, QLatin1Char('0'))));
            q.execute();
        }
        t.commit();
    }
    makeFree(QStringLiteral("sv0001"));
    TServerSentakuBox box;
    open(box);
    ASSERT_EQ(box.List.size(), 1999);

    e.ui->queueInput(QStringLiteral("sv0001"));
    box.AddArea();
    EXPECT_EQ(messages(),
              QStringList{QStringLiteral("\"%1\"は既に作成されています。").arg(folder("sv0001"))});
    EXPECT_EQ(e.ui->shown().back().what, ui::ScriptedUserInteraction::Shown::Message);

    e.ui->clear();
    e.ui->queueInput(QStringLiteral(" Kaisha1 "));
    box.AddArea();
    ASSERT_GE(e.ui->shown().size(), 1u);
    EXPECT_EQ(e.ui->shown().front().input.initial, QStringLiteral("sv2000"));
    EXPECT_EQ(e.ui->shown().front().input.maxLength, 10);
    EXPECT_TRUE(QFileInfo(folder(QStringLiteral("kaisha1"))).isDir());
    ASSERT_EQ(box.List.size(), 2000);
    const int r = box.Grid()->CurrentRow();
    EXPECT_EQ(box.Grid()->CellText(r, TServerSentakuBox::colFolder), folder(QStringLiteral("kaisha1")));
    EXPECT_EQ(box.Grid()->CellText(r, TServerSentakuBox::colName), kNewAreaText);

    e.ui->clear();
    box.AddArea();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("これ以上の領域追加は行えません。(最大2000件)")});
    EXPECT_EQ(e.ui->shown().size(), 1u); // no input was asked for
}

TEST_F(ServerSentakuTest, DeleteRemovesOnlyFoldersInsideTheShare) {
    makeArea(QStringLiteral("sv0001"), {QStringLiteral("削除会社"), QStringLiteral("0500")});
    makeArea(QStringLiteral("sv0002"), {QStringLiteral("残る会社"), QStringLiteral("0600")});
    const QString outside = e.env.path() + QStringLiteral("/outside.txt");
    ASSERT_TRUE(testenv::writeFile(outside, "OUT"));
    TServerSentakuBox box;
    open(box);

    // Rows naming no folder, the share root's parent or the root itself are refused.
    for (const QString& bad : {QString(), QStringLiteral(".."), root + QStringLiteral("/.."), root}) {
        SCOPED_TRACE(bad.toStdString());
        const int r = rowOf(box, folder(QStringLiteral("sv0002")));
        box.List[box.ListIndexOfRow(r)].PASNAME = bad;
        box.FillGrid();
        box.Grid()->SetCurrentCell(box.Grid()->RowCount() - 1, TServerSentakuBox::colName);
        e.ui->clear();
        e.ui->queueAnswer(ui::mrOk);
        EXPECT_FALSE(box.DeleteData(true));
        EXPECT_EQ(messages(),
                  QStringList{QStringLiteral("データの削除に失敗しました。\r削除処理を中止しました。")});
        EXPECT_TRUE(QFileInfo(outside).isFile());
        EXPECT_TRUE(QFileInfo(root).isDir());
        EXPECT_TRUE(QFileInfo(folder(QStringLiteral("sv0002/placc.fdb"))).isFile());
        box.RefreshFromShare();
    }

    select(box, QStringLiteral("sv0001"));
    e.ui->clear();
    e.ui->queueAnswer(ui::mrOk);
    EXPECT_TRUE(box.DeleteData(true));
    const ui::MessageRequest& asked = e.ui->shown().front().message;
    EXPECT_EQ(asked.caption, QStringLiteral("データの削除"));
    EXPECT_EQ(asked.agreeCaption, QStringLiteral("データの削除に同意します"));
    EXPECT_TRUE(asked.text.contains(QStringLiteral("【データ名】\r　削除会社")));
    EXPECT_FALSE(QFileInfo::exists(folder(QStringLiteral("sv0001"))));
    EXPECT_EQ(rowOf(box, folder(QStringLiteral("sv0001"))), -1);
    EXPECT_GE(rowOf(box, folder(QStringLiteral("sv0002"))), 0);
}

TEST_F(ServerSentakuTest, AnAreaTakenOnOneComputerIsInUseOnTheOther) {
    makeArea(QStringLiteral("sv0001"), {QStringLiteral("共有会社"), QStringLiteral("0700")});
    makeArea(QStringLiteral("sv0002"), {QStringLiteral("別会社"), QStringLiteral("0800")});
    {
        TServerSentakuBox a;
        open(a);
        EXPECT_TRUE(a.SetShareStatus(folder(QStringLiteral("sv0001")), 2));
        EXPECT_FALSE(a.SetShareStatus(folder(QStringLiteral("sv0001")), 2));
        // A copy started here marks the other area busy.
        select(a, QStringLiteral("sv0002"));
        a.F2Click();
        ASSERT_TRUE(a.PastePending);
        a.PastePending = false;
        a.CopySource.clear();
    }

    // The second computer: its own data root and system database, another operator.
    testenv::DataRoot other(e.env.path() + QStringLiteral("/pcb/quarno/pellanzaimu"));
    DM->IBDatabaseDEF.detach();
    SystemDef.SYSDIR = other.dataDir();
    SystemDef.OPCODE = 10000 * 10000 + 20;
    e.connectSystem();
    TServerSentakuBox b;
    open(b);
    const int r = rowOf(b, folder(QStringLiteral("sv0001")));
    ASSERT_GE(r, 0);
    EXPECT_EQ(int(b.Grid()->GetCellValue(r, TServerSentakuBox::colShareFlag)), 1);
    select(b, QStringLiteral("sv0001"));
    EXPECT_EQ(b.KeyCaption(TServerSentakuBox::kF5), QStringLiteral("F5:"));
    EXPECT_FALSE(b.SetShareStatus(folder(QStringLiteral("sv0001")), 2));

    select(b, QStringLiteral("sv0002"));
    e.ui->clear();
    b.F2Click();
    EXPECT_FALSE(b.PastePending);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(
        messages().front().startsWith(QStringLiteral("このデータはコピー中のため処理が行えません。")));
    // The operator code without its group.
    EXPECT_TRUE(messages().front().contains(QStringLiteral("【オペレータ】\r　10\r")));
}

TEST_F(ServerSentakuTest, MissingInformationFileIsRebuiltFromTheDatabase) {
    testenv::CompanySpec company;
    company.name = QStringLiteral("再作成商事");
    const testenv::Dataset ds = e.root->addDataset(company);
    makeFree(QStringLiteral("sv0001"));
    ASSERT_TRUE(QFile::copy(ds.database, folder(QStringLiteral("sv0001/placc.fdb"))));
    TServerSentakuBox box;
    open(box);
    EXPECT_TRUE(QFileInfo(folder(QStringLiteral("sv0001/placc.ini"))).isFile());
    EXPECT_EQ(status(QStringLiteral("sv0001")), QStringLiteral("1"));
    ASSERT_EQ(box.List.size(), 1);
    EXPECT_EQ(box.List[0].ENTTEXT, QStringLiteral("再作成商事"));
    EXPECT_EQ(box.List[0].DATACODE, company.code);

    // A row written back carries its name and locks into the area's information file.
    TDataListRec row = box.List[0];
    row.ENTTEXT = QStringLiteral("改名商事");
    row.UPDATE_LOCK = 1;
    box.UpdateDataListRecord(row);
    EXPECT_EQ(iniValue(QStringLiteral("sv0001"), QStringLiteral("DATAINFO"), QStringLiteral("DATALISTNAME")),
              QStringLiteral("改名商事"));
    EXPECT_EQ(iniValue(QStringLiteral("sv0001"), QStringLiteral("DATASTS"), QStringLiteral("UPDATE_LOCK")),
              QStringLiteral("1"));
    box.LoadList(false);
    EXPECT_EQ(box.List[0].ENTTEXT, QStringLiteral("改名商事"));
}

TEST_F(ServerSentakuTest, ShareFoldersOfferedAndAddedByPicking) {
    // Nothing configured: the single entry says so and nothing can be done.
    {
        IniFile ini(SystemDef.AppIniFile, false);
        ini.eraseSection(QStringLiteral("SHAREFOLDER"));
        ASSERT_TRUE(ini.save());
    }
    TServerSentakuBox box;
    open(box);
    EXPECT_EQ(box.form().cmbDrive->count(), 1);
    EXPECT_EQ(box.form().cmbDrive->itemText(0), QStringLiteral("[pellanzaimu]が見つかりません"));
    EXPECT_TRUE(box.DriveLetter.isEmpty());
    EXPECT_EQ(box.Grid()->RowCount(), 0);
    EXPECT_EQ(box.KeyCaption(TServerSentakuBox::kF4), QStringLiteral("F4:"));
    EXPECT_EQ(
        box.form().HintArea->text(),
        QStringLiteral("[共有割当]ボタンよりネットワーク上の共有フォルダをドライブに割り当てて下さい。"));

    // Picking a folder that holds the share root adds it; one without it is refused.
    makeFree(QStringLiteral("sv0001"));
    e.ui->queuePath(e.env.path());
    box.btnMapDriveClick();
    EXPECT_TRUE(box.DriveLetter.isEmpty());
    e.ui->queuePath(root);
    box.btnMapDriveClick();
    EXPECT_EQ(box.DriveLetter, QStringLiteral("A"));
    EXPECT_EQ(box.ShareRoot, root);
    EXPECT_EQ(box.List.size(), 1);

    // A drive letter no longer offered falls back to the first share folder.
    const QString other = e.env.path() + QStringLiteral("/nas2");
    ASSERT_TRUE(QDir().mkpath(other + QStringLiteral("/pellanzaimu")));
    EXPECT_EQ(AddShareFolder(other), QStringLiteral("B"));
    EXPECT_EQ(AddShareFolder(nas), QStringLiteral("A"));
    box.DriveLetter = QStringLiteral("Q");
    box.Setup(1);
    EXPECT_EQ(box.DriveLetter, QStringLiteral("A"));
    EXPECT_EQ(box.form().cmbDrive->count(), 2);
    box.SelectDrive(1);
    EXPECT_EQ(box.ShareRoot, other + QStringLiteral("/pellanzaimu"));
    EXPECT_TRUE(box.List.isEmpty());
}

} // namespace
