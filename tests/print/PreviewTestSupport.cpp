#include "PreviewTestSupport.h"

#include "platform/Cp932.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

QString PreviewTest::datasetListSpool() {
    const QString folder = env->path() + QStringLiteral("/sys");
    QDir().mkpath(folder);
    QByteArray bytes = testenv::readFile(testenv::sourceDir() +
                                         QStringLiteral("/tests/print/data/datalist_landscape.spool"));
    bytes.replace("@FOLDER@", cp932::encode(folder));
    const QString path = folder + QStringLiteral("/~list.TMP");
    EXPECT_TRUE(testenv::writeFile(path, bytes));
    return path;
}

TPmvxDEF PreviewTest::listRecord(const QString& dataFile) const {
    TPmvxDEF r = DefaultEngineSettings();
    r.DataFile = dataFile;
    r.FormFile = QString();
    r.Title = QStringLiteral("印刷プレビュー");
    r.DocTitle = QStringLiteral("データリスト");
    r.PaperSize = 9;
    r.Orientation = 1;
    r.PrintFom = false;
    r.NetColor2 = 0x808080;
    return r;
}

int PreviewTest::preview(TPmvxDEF& rec, const std::function<void(TImageDispForm&)>& body) {
    QTimer poll;
    poll.setInterval(10);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TImageDispForm*>(QApplication::activeModalWidget());
        if (!form || form->WherePageText().isEmpty()) {
            if (clock.elapsed() > 20000) {
                poll.stop();
                ADD_FAILURE() << "the preview window did not come up";
                if (form)
                    form->close();
            }
            return;
        }
        poll.stop();
        body(*form);
        if (form->isVisible())
            form->CloseButtonClick();
    });
    poll.start();
    return StartPreview(rec);
}

void PreviewTest::inNextDialog(const std::function<void(QDialog&)>& body) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    auto* clock = new QElapsedTimer;
    clock->start();
    QWidget* const before = QApplication::activeModalWidget();
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if ((!dialog || dialog == before) && clock->elapsed() < 20000)
            return;
        poll->stop();
        poll->deleteLater();
        delete clock;
        if (!dialog || dialog == before) {
            ADD_FAILURE() << "no dialog came up";
            return;
        }
        body(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    poll->start();
}
