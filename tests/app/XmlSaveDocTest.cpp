#include "XmlReadBack.h"

#include "app/XMLSaveDoc.h"
#include "platform/Cp932.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(XmlSaveDoc, DeclarationTreeAndOrderAsWritten) {
    TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
    const auto root = doc.CreateRootNode(QStringLiteral("REPORT"));
    const auto sys = doc.AddNode(TXmlSaveDoc::NoNode, QStringLiteral("SYSTEM"));
    doc.AddTextNode(sys, QStringLiteral("GYOUMUPREFIX"), QStringLiteral("HJ19"));
    doc.AddTextNode(sys, QStringLiteral("EMPTY"), QString());
    const auto data = doc.AddNode(root, QStringLiteral("DATA"));
    const auto row = doc.AddNode(data, QStringLiteral("ROW"), QStringLiteral("line"), QStringLiteral("1"));
    doc.AddTextNode(row, QStringLiteral("B"), QStringLiteral("2"));
    doc.AddTextNode(row, QStringLiteral("A"), QStringLiteral("1"));
    // Appending to an earlier element after later ones keeps each element's children in order.
    doc.AddTextNode(sys, QStringLiteral("VERSION"), QStringLiteral("1"));

    const QByteArray bytes = doc.toBytes();
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<REPORT>"));
    EXPECT_FALSE(bytes.contains("standalone"));
    EXPECT_TRUE(
        bytes.contains("<SYSTEM><GYOUMUPREFIX>HJ19</GYOUMUPREFIX><EMPTY/><VERSION>1</VERSION></SYSTEM>"));

    const XmlFile file = parseXml(bytes);
    EXPECT_EQ(file.version, "1.0");
    EXPECT_EQ(file.encoding, "Shift_JIS");
    ASSERT_TRUE(file.root);
    EXPECT_EQ(file.root->childNames(), (QStringList{"SYSTEM", "DATA"}));
    EXPECT_EQ(file.root->child("SYSTEM")->childNames(), (QStringList{"GYOUMUPREFIX", "EMPTY", "VERSION"}));
    const XmlElement* r = file.root->child("DATA")->child("ROW");
    EXPECT_EQ(r->attribute("line"), "1");
    EXPECT_EQ(r->childNames(), (QStringList{"B", "A"}));
    EXPECT_EQ(r->childText("A"), "1");

    TXmlSaveDoc standalone(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QStringLiteral("yes"));
    standalone.CreateRootNode(QStringLiteral("R"));
    EXPECT_TRUE(standalone.toBytes().startsWith(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\" standalone=\"yes\"?>\r\n<R/>"));
}

TEST(XmlSaveDoc, TextsEscapedOnceAndKeptByteForByteInCp932) {
    testenv::TempEnvironment env;
    const QString company = QStringLiteral("A&B <株> \"Q\" 'x'");
    const QString padded = QStringLiteral("減価償却資産    ");
    TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
    const auto root = doc.CreateRootNode(QStringLiteral("REPORT"));
    doc.AddTextNode(root, QStringLiteral("KOMONSAKINAME"), QStringLiteral("attr"), company, company);
    doc.AddTextNode(root, QStringLiteral("NAME"), padded);
    doc.AddTextNode(root, QStringLiteral("LINES"), QStringLiteral("a\r\nb"));
    const QString path = env.path() + QStringLiteral("/out.xml");
    doc.SaveToFile(path);

    const QByteArray bytes = fileBytes(path);
    EXPECT_TRUE(bytes.contains("A&amp;B &lt;"));
    EXPECT_FALSE(bytes.contains("&amp;amp;"));
    // The Japanese text is in CP932, blanks included.
    EXPECT_TRUE(bytes.contains("<NAME>" + cp932::encode(padded) + "</NAME>"));
    EXPECT_EQ(cp932::encode(QStringLiteral("株")), QByteArray("\x8a\x94"));
    EXPECT_TRUE(bytes.contains("\x8a\x94"));

    const XmlFile file = readXmlFile(path);
    const XmlElement* name = file.root->child("KOMONSAKINAME");
    EXPECT_EQ(name->text, company);
    EXPECT_EQ(name->attribute("attr"), company);
    EXPECT_EQ(file.root->childText("NAME"), padded);
    EXPECT_EQ(file.root->childText("LINES"), QStringLiteral("a\r\nb"));
}

TEST(XmlSaveDoc, EscapeTextReplacesTheFiveMarkupCharacters) {
    EXPECT_EQ(TXmlSaveDoc::EscapeText(QStringLiteral("&<>\"'&amp;")),
              QStringLiteral("&amp;&lt;&gt;&quot;&apos;&amp;amp;"));
}

TEST(XmlSaveDoc, WhatCannotBeWrittenThrows) {
    TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
    // No document element yet.
    EXPECT_THROW(doc.AddNode(TXmlSaveDoc::NoNode, QStringLiteral("A")), std::runtime_error);
    EXPECT_THROW(doc.toBytes(), std::runtime_error);
    const auto root = doc.CreateRootNode(QStringLiteral("REPORT"));
    // A character CP932 cannot hold would be lost.
    EXPECT_THROW(doc.AddTextNode(root, QStringLiteral("A"), QStringLiteral("caf\u00e9")), std::runtime_error);
    EXPECT_THROW(doc.AddTextNode(root, QStringLiteral("A"), QStringLiteral("x\u0001")), std::runtime_error);
    EXPECT_THROW(doc.AddNode(root, QStringLiteral("1A")), std::runtime_error);
    EXPECT_THROW(doc.AddNode(root, QStringLiteral("A&B")), std::runtime_error);
}

TEST(XmlSaveDoc, FailedSaveLeavesNoFileAndKeepsTheOldOne) {
    testenv::TempEnvironment env;
    TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
    doc.CreateRootNode(QStringLiteral("REPORT"));

    // A folder that does not exist.
    EXPECT_THROW(doc.SaveToFile(env.path() + QStringLiteral("/missing/out.xml")), std::runtime_error);
    EXPECT_FALSE(QFile::exists(env.path() + QStringLiteral("/missing")));

    // A target that is a folder stays a folder, and nothing is left beside it.
    const QString dirTarget = env.path() + QStringLiteral("/target.xml");
    ASSERT_TRUE(QDir().mkpath(dirTarget));
    EXPECT_THROW(doc.SaveToFile(dirTarget), std::runtime_error);
    EXPECT_TRUE(QFileInfo(dirTarget).isDir());

    // A successful save replaces an existing file as a whole.
    const QString path = env.path() + QStringLiteral("/out.xml");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100000, 'x'));
    }
    doc.SaveToFile(path);
    EXPECT_EQ(fileBytes(path), doc.toBytes());
    const QStringList left = QDir(env.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, QStringList{"out.xml"});
}

// A full disk often shows only when the last buffered bytes are flushed: the save must still fail, and the
// old file stay whole with nothing left beside it.
TEST(XmlSaveDoc, SaveOntoAFullDiskFailsAndKeepsTheOldFile) {
    testenv::TempEnvironment env;
    const QString path = env.path() + QStringLiteral("/out.xml");
    ASSERT_TRUE(testenv::writeFile(path, "old"));
    // Within one buffered write, over many, and written to the file while the document is built.
    for (const auto& [rows, toFile] : {std::pair{20, false}, {20000, false}, {200000, true}}) {
        EXPECT_EXIT(
            {
                TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
                if (toFile) {
                    testenv::limitFileSize(100);
                    doc.BeginFile(path);
                }
                const auto root = doc.CreateRootNode(QStringLiteral("REPORT"));
                for (int i = 0; i < rows; ++i)
                    doc.AddTextNode(root, QStringLiteral("ROW"), QString::number(i));
                testenv::limitFileSize(100);
                try {
                    doc.SaveToFile(path);
                } catch (const std::runtime_error&) {
                    std::_Exit(0);
                }
                std::_Exit(1);
            },
            ::testing::ExitedWithCode(0), "");
        EXPECT_EQ(fileBytes(path), QByteArray("old"));
        EXPECT_EQ(QDir(env.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.xml"});
    }
}

TEST(XmlSaveDoc, ATargetThatIsNoRegularFileIsRefusedAndKeptAsItIs) {
    testenv::TempEnvironment env;
    TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
    doc.CreateRootNode(QStringLiteral("REPORT"));
    const QString fifo = env.path() + QStringLiteral("/fifo.xml");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW(doc.SaveToFile(fifo), std::runtime_error);
    EXPECT_TRUE(QFileInfo(fifo).exists());
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    // Nothing is written through a symbolic link, whether it names a file or nothing yet.
    const QString file = env.path() + QStringLiteral("/real.xml");
    const QString missing = env.path() + QStringLiteral("/missing.xml");
    const QString link = env.path() + QStringLiteral("/link.xml");
    const QString dangling = env.path() + QStringLiteral("/dangling.xml");
    ASSERT_TRUE(testenv::writeFile(file, "old"));
    ASSERT_TRUE(QFile::link(file, link));
    ASSERT_TRUE(QFile::link(missing, dangling));
    for (const QString& path : {link, dangling}) {
        try {
            doc.SaveToFile(path);
            ADD_FAILURE() << "written through " << path.toStdString();
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(QString::fromStdString(e.what()).contains(QStringLiteral("シンボリックリンク")))
                << e.what();
        }
        EXPECT_TRUE(QFileInfo(path).isSymLink());
    }
    EXPECT_EQ(fileBytes(file), QByteArray("old"));
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(QDir(env.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 4);
}

// Elements added under an element further up than the last one's ancestors come out in the tree's order.
TEST(XmlSaveDoc, ElementsAddedOutOfDocumentOrderAreWrittenInTreeOrder) {
    TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
    const auto root = doc.CreateRootNode(QStringLiteral("R"));
    const auto a = doc.AddNode(root, QStringLiteral("A"));
    const auto b = doc.AddNode(root, QStringLiteral("B"), QStringLiteral("n"), QStringLiteral("1"));
    doc.AddTextNode(b, QStringLiteral("B1"), QStringLiteral("x"));
    doc.AddTextNode(a, QStringLiteral("A1"), QStringLiteral("y")); // back under A
    const auto a2 = doc.AddNode(a, QStringLiteral("A2"));
    doc.AddNode(b, QStringLiteral("B2"));
    doc.AddNode(a2, QStringLiteral("A21"));
    EXPECT_EQ(doc.toBytes(),
              QByteArray("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
                         "<R><A><A1>y</A1><A2><A21/></A2></A><B n=\"1\"><B1>x</B1><B2/></B></R>\r\n"));
}

namespace {

// A file of a few megabytes: several pieces of the writer's output, escapes and CP932 texts among them.
void buildLargeDocument(TXmlSaveDoc& doc, int rows) {
    const auto root = doc.CreateRootNode(QStringLiteral("REPORT"));
    const auto sys = doc.AddNode(root, QStringLiteral("SYSTEM"));
    doc.AddTextNode(sys, QStringLiteral("NAME"), QStringLiteral("A&B <株式会社>"));
    const auto data = doc.AddNode(root, QStringLiteral("DATA"));
    const auto group = doc.AddNode(data, QStringLiteral("GROUP"));
    const TXmlSaveDoc::NameId row = doc.Intern(QStringLiteral("ROW"));
    const TXmlSaveDoc::NameId text = doc.Intern(QStringLiteral("TEXT"));
    for (int i = 1; i <= rows; ++i) {
        const auto r = doc.AddNode(group, row, QStringLiteral("line"), QString::number(i));
        doc.AddTextNode(r, text, QStringLiteral("資産番号%1の備品").arg(i));
        doc.AddTextNode(r, text, QString());
    }
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

TEST(XmlSaveDoc, AWriterBegunOnItsFileHoldsTheDocumentThereUntilTheSave) {
    testenv::TempEnvironment env;
    TXmlSaveDoc kept(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
    buildLargeDocument(kept, 60000);
    const QByteArray expected = kept.toBytes();
    ASSERT_GT(expected.size(), 3 << 20);

    const QString path = env.path() + QStringLiteral("/out.xml");
    ASSERT_TRUE(testenv::writeFile(path, "old"));
    {
        TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
        doc.BeginFile(path);
        ASSERT_TRUE(doc.writesToFile());
        buildLargeDocument(doc, 60000);
        // The elements are in the temporary file beside the target already; the target is untouched.
        EXPECT_EQ(fileBytes(path), QByteArray("old"));
        const QStringList files = filesIn(env.path());
        ASSERT_EQ(files.size(), 2);
        const QString temp = files.filter(QStringLiteral(".tmp")).value(0);
        EXPECT_GT(QFileInfo(env.path() + u'/' + temp).size(), 2 << 20);
        doc.SaveToFile(path);
        EXPECT_EQ(fileBytes(path), expected);
        EXPECT_EQ(filesIn(env.path()), QStringList{"out.xml"});
    }

    // Dropped before the save: the old file stays whole and nothing is left beside it.
    ASSERT_TRUE(testenv::writeFile(path, "old"));
    {
        TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
        doc.BeginFile(path);
        buildLargeDocument(doc, 60000);
        // Only the element added last and its ancestors can take children.
        EXPECT_THROW(doc.AddNode(doc.documentElement() + 1, QStringLiteral("LATE")), std::runtime_error);
    }
    EXPECT_EQ(fileBytes(path), QByteArray("old"));
    EXPECT_EQ(filesIn(env.path()), QStringList{"out.xml"});

    // No temporary file can be made there: the document is kept, and the save fails as it would have.
    TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
    doc.BeginFile(env.path() + QStringLiteral("/missing/out.xml"));
    EXPECT_FALSE(doc.writesToFile());
    buildLargeDocument(doc, 3);
    EXPECT_THROW(doc.SaveToFile(env.path() + QStringLiteral("/missing/out.xml")), std::runtime_error);
    EXPECT_FALSE(QFile::exists(env.path() + QStringLiteral("/missing")));
}

// A part taken back leaves the file as if it had never been added, also when some of it had reached the
// file and when the element at the mark was still open without children.
TEST(XmlSaveDoc, RollbackTakesBackTheElementsAddedAfterTheMark) {
    testenv::TempEnvironment env;
    TXmlSaveDoc plain(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
    const auto plainRoot = plain.CreateRootNode(QStringLiteral("R"));
    plain.AddNode(plainRoot, QStringLiteral("E"));
    plain.AddTextNode(plain.AddNode(plainRoot, QStringLiteral("F")), QStringLiteral("G"),
                      QStringLiteral("1"));
    const QByteArray expected = plain.toBytes();
    ASSERT_EQ(expected, QByteArray("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
                                   "<R><E/><F><G>1</G></F></R>\r\n"));

    for (const bool toFile : {false, true}) {
        for (const int rows : {3, 100000}) {
            SCOPED_TRACE(testing::Message() << "file " << toFile << ", rows " << rows);
            const QString path = env.path() + QStringLiteral("/out.xml");
            TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
            if (toFile)
                doc.BeginFile(path);
            const auto root = doc.CreateRootNode(QStringLiteral("R"));
            const auto e = doc.AddNode(root, QStringLiteral("E"));
            const TXmlSaveDoc::Mark mark = doc.GetMark();
            for (int i = 0; i < rows; ++i)
                doc.AddTextNode(e, QStringLiteral("ROW"), QStringLiteral("taken back"));
            doc.Rollback(mark);
            doc.AddTextNode(doc.AddNode(root, QStringLiteral("F")), QStringLiteral("G"), QStringLiteral("1"));
            if (toFile) {
                doc.SaveToFile(path);
                EXPECT_EQ(fileBytes(path), expected);
            } else {
                EXPECT_EQ(doc.toBytes(), expected);
            }
        }
    }
}

// Elements added a row at a time come out as the same bytes as added one by one, in the file and in the
// kept document: empty texts as empty elements, the last one still open for a child of its own, and a
// row under an element whose start tag still waits for its ">".
TEST(XmlSaveDoc, ARowOfTextElementsAddedAtOnceIsWrittenAsOneByOne) {
    testenv::TempEnvironment env;
    const QString path = env.path() + QStringLiteral("/out.xml");
    auto build = [&](TXmlSaveDoc& doc, bool atOnce) {
        const auto root = doc.CreateRootNode(QStringLiteral("R"));
        const TXmlSaveDoc::NameId names[] = {doc.Intern(QStringLiteral("A")), doc.Intern(QStringLiteral("B")),
                                             doc.Intern(QStringLiteral("C"))};
        for (int row = 1; row <= 3; ++row) {
            const auto node =
                doc.AddNode(root, QStringLiteral("ROW"), QStringLiteral("line"), QString::number(row));
            QByteArray texts[3];
            doc.EncodeText(texts[0], QStringLiteral("資産%1&<").arg(row));
            doc.EncodeText(texts[2], QString::number(row * 100));
            const QByteArrayView views[] = {texts[0], texts[1], texts[2]};
            if (atOnce) {
                doc.AddEncodedTextNodes(node, names, views, 3);
            } else {
                for (int c = 0; c < 3; ++c)
                    doc.AddEncodedTextNode(node, names[c], views[c]);
            }
        }
        // The last element of the row still takes a child; then a sibling of the rows closes it.
        doc.AddTextNode(doc.documentElement() + 12, QStringLiteral("D"), QStringLiteral("x"));
        doc.AddNode(root, QStringLiteral("END"));
    };
    TXmlSaveDoc one(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
    build(one, false);
    const QByteArray expected = one.toBytes();
    ASSERT_TRUE(expected.contains(QByteArray("<ROW line=\"3\"><A>") + cp932::encode(QStringLiteral("資産3")) +
                                  "&amp;&lt;</A><B/><C>300<D>x</D></C></ROW><END/></R>"))
        << expected.constData();
    for (const bool toFile : {false, true}) {
        SCOPED_TRACE(toFile ? "file" : "kept");
        TXmlSaveDoc doc(QStringLiteral("1.0"), QStringLiteral("Shift_JIS"), QString());
        if (toFile)
            doc.BeginFile(path);
        build(doc, true);
        if (toFile) {
            doc.SaveToFile(path);
            EXPECT_EQ(fileBytes(path), expected);
        } else {
            EXPECT_EQ(doc.toBytes(), expected);
        }
    }
}
