#include "controls/QtTranslations.h"
#include "controls/QtUserInteraction.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The view's own measures, which it keeps to itself: a section's pending resize and a column's widest
// cell.
struct HeaderAccess : QHeaderView {
    using QHeaderView::resizeSections;
};
struct TreeAccess : QTreeView {
    using QTreeView::sizeHintForColumn;
};
constexpr void (QHeaderView::*resizePending)() = &HeaderAccess::resizeSections;
constexpr int (QTreeView::*widestCell)(int) const = &TreeAccess::sizeHintForColumn;

} // namespace

// The open, save and folder dialogs as the program shows them, on a folder with a subfolder and an XML
// file: once the folder is read, the size, type and date columns are as wide as what they show and
// their headings, and the types are in Japanese.
TEST(QtFileDialog, ColumnsFitTheFolderTheyShowInJapanese) {
    const std::unique_ptr<QTranslator> translator(installQtTranslations());
    ASSERT_TRUE(translator);
    testenv::TempEnvironment env;
    const QDir folder(env.path() + QStringLiteral("/files"));
    ASSERT_TRUE(folder.mkpath(QStringLiteral("請求書")));
    {
        QFile file(folder.filePath(QStringLiteral("連動データ.xml")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(123456, 'x'));
    }
    QtUserInteraction qtUi;
    ui::FileRequest request;
    request.caption = QStringLiteral("中間ﾌｧｲﾙの指定");
    request.folder = folder.path();
    // A folder dialog first: the widths it leaves behind are the next dialog's start.
    request.filter = QStringLiteral("中間ﾌｧｲﾙ (*.xml *.XML)");
    const struct {
        const char* name;
        std::function<QString()> pick;
        QStringList types; // by row, folders first
    } cases[] = {
        {"folder", [&] { return qtUi.pickFolder(request); }, {"フォルダー"}},
        {"open", [&] { return qtUi.pickOpenFile(request); }, {"フォルダー", "xml ファイル"}},
        {"save", [&] { return qtUi.pickSaveFile(request); }, {"フォルダー", "xml ファイル"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList types;
        bool inspected = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            auto* details = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            if (!details) {
                ADD_FAILURE() << "no detail view";
                dialog->reject();
                return;
            }
            const QModelIndex root = details->rootIndex();
            if (details->model()->rowCount(root) < c.types.size())
                return; // the folder is still being read
            poll.stop();
            inspected = true;
            // What the header does on its next pass, done now.
            QHeaderView* header = details->header();
            (header->*resizePending)();
            for (int row = 0; row < c.types.size(); ++row)
                types << details->model()->index(row, 2, root).data().toString();
            for (int column = 1; column < header->count(); ++column) {
                SCOPED_TRACE(column);
                EXPECT_GE(header->sectionSize(column), (details->*widestCell)(column));
                EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column));
            }
            dialog->reject();
        });
        poll.start();
        EXPECT_EQ(c.pick(), QString());
        poll.stop();
        EXPECT_TRUE(inspected);
        EXPECT_EQ(types.join(u'|').toStdString(), c.types.join(u'|').toStdString());
    }
    QCoreApplication::removeTranslator(translator.get());
}
