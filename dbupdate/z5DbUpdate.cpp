#include "dbupdate/z5DbUpdate.h"

#include "controls/xAnimeProgressDialog.h"
#include "core/DataModule.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateScript.h"
#include "platform/SafeSaveFile.h"
#include "platform/firebird/FbError.h"
#include "ui_z5DbUpdate.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

std::function<std::vector<TLoggedOnOperator>()> LoggedOnOperatorsProc = [] {
    std::vector<TLoggedOnOperator> list;
    fb::Transaction t(DM->IBDatabaseDEF);
    fb::Query q(t, QStringLiteral("SELECT L.OPERATORCODE, O.OPNAME FROM LOGONUSERLIST L"
                                  " LEFT JOIN OPERATOR O ON O.GROUPID=L.GROUPID AND O.OPCODE=L.OPERATORCODE"
                                  " WHERE L.GROUPID=:GROUPID AND NOT (L.OPCODE=:OPCODE AND L.PCNAME=:PCNAME)"
                                  " ORDER BY L.OPERATORCODE"));
    q.setInt("GROUPID", SystemDef.GROUPID);
    q.setInt("OPCODE", SystemDef.OPCODE);
    q.setString("PCNAME", SystemDef.PCName);
    q.open();
    for (; !q.eof(); q.next())
        list.push_back({q.field("OPERATORCODE").asInt(), q.field("OPNAME").asString()});
    t.commit();
    return list;
};

namespace {

const QString kVersionFailed = QStringLiteral("データベースバージョンの取得に失敗しました。");

const QString kRecordPrefix = QStringLiteral("upgrade-");
const QString kRecordSuffix = QStringLiteral(".run");

QString sameFile(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString recordPathFor(const QString& backup) {
    return ExcludePathDelim(SystemDef.TempDir) + u'/' + kRecordPrefix + QFileInfo(backup).completeBaseName() +
           kRecordSuffix;
}

// Removes a record and then the backup it names: a record that sends the next run to its backup never
// stays without it.
void dropRecord(const TDbUpdater::RunRecord& record) {
    QFile::remove(record.path);
    if (!record.backup.isEmpty())
        QFile::remove(record.backup);
}

// A backup kept from an earlier failed run is never overwritten: the next name free for a backup and its
// record is taken.
QString freeBackupPath() {
    const QString folder = ExcludePathDelim(SystemDef.TempDir);
    QString path = folder + QStringLiteral("/dataup.fbk");
    for (int n = 2; QFileInfo::exists(path) || QFileInfo::exists(recordPathFor(path)); ++n)
        path = folder + QStringLiteral("/dataup_%1.fbk").arg(n);
    return path;
}

void detachSystemDatabase() {
    try {
        if (DM->IBTransactionDEF.isActive())
            DM->IBTransactionDEF.commit();
        DM->IBDatabaseDEF.detach();
    } catch (const std::exception&) {
        // A connection that is already gone holds nothing.
    }
}

QPixmap databaseIcon(const QColor& color, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size - 6, x = 3, ry = size / 7.0;
    p.setPen(QPen(color.darker(160), 1));
    p.setBrush(color);
    p.drawRect(QRectF(x, 3 + ry, w, size - 6 - 2 * ry));
    p.drawEllipse(QRectF(x, size - 3 - 2 * ry, w, 2 * ry));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(x + 0.5, 3 + ry, w - 1, size - 6 - 2 * ry));
    p.setPen(QPen(color.darker(160), 1));
    p.setBrush(color.lighter(140));
    p.drawEllipse(QRectF(x, 3, w, 2 * ry));
    return pm;
}

QIcon statusIcon(bool done) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(done ? QColor(0, 140, 0) : QColor(200, 0, 0), 2.5));
    if (done) {
        p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(7, 12), QPointF(13, 4)}));
    } else {
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    }
    return QIcon(pm);
}

} // namespace

// ---- TDbUpdater -----------------------------------------------------------------------------------

TDbUpdater::TDbUpdater()
    : SystemSteps(BuildSteps(TDbKind::System)), UserSteps(BuildSteps(TDbKind::Accounting)) {}

QString TDbUpdater::TargetDatabase() const {
    if (DbKind == 0)
        return ExcludePathDelim(SystemDef.SYSDIR) + u'/' + SysDbFileName;
    return ExcludePathDelim(SystemDef.DataDir) + u'/' + DataFileName;
}

std::vector<TDbUpdater::RunRecord> TDbUpdater::RunRecords(const QString& database) {
    std::vector<RunRecord> records;
    const QDir folder(ExcludePathDelim(SystemDef.TempDir));
    const QString target = sameFile(database);
    for (const QString& name :
         folder.entryList({kRecordPrefix + u'*' + kRecordSuffix}, QDir::Files | QDir::Hidden, QDir::Name)) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        RunRecord r;
        r.path = file.fileName();
        for (const QByteArray& line : file.readAll().split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq < 0)
                continue;
            const QByteArray key = line.left(eq);
            const QString value = QString::fromUtf8(line.mid(eq + 1));
            if (key == "database")
                r.database = value;
            else if (key == "backup")
                r.backup = value;
            else if (key == "version")
                r.version = TDbVersion::fromText(value);
            else if (key == "state")
                r.state = value;
        }
        if (!r.database.isEmpty() && sameFile(r.database) == target)
            records.push_back(r);
    }
    return records;
}

bool TDbUpdater::saveRecord(RunRecord& record, const QString& state) {
    record.state = state;
    const QByteArray text = "database=" + record.database.toUtf8() + "\nbackup=" + record.backup.toUtf8() +
                            "\nversion=" + record.version.text().toUtf8() + "\nstate=" + state.toUtf8() +
                            '\n';
    QString error;
    if (SafeSaveFile::writeWhole(record.path, text, &error))
        return true;
    WorkerResult.Error = true;
    WorkerResult.Message = QStringLiteral("更新の記録を書き込めません。");
    WorkerResult.Detail = error;
    return false;
}

void TDbUpdater::SetupPending(quint8 kind, const QString& versionText) {
    m_interrupted.reset();
    DbKind = kind == 0 ? 0 : 1;
    IsPending = false;
    IsUpdated = false;
    FirstPending = -1;
    LastPending = -1;
    NewestVersion = {};
    BackupCount = 0;
    const TArrayDbUpdateListRec& steps = CurrentSteps();
    if (!steps.empty())
        NewestVersion = steps.back().version();
    if (!versionText.isEmpty())
        SetDbVersionFromText(versionText);
    else if (!SetDbVersion())
        return;
    if (versionText.isEmpty()) {
        // A run cut short after its backup may have stamped versions whose work is not all there: the
        // database counts as what its backup holds, and the run restores it first.
        for (const RunRecord& r : RunRecords(TargetDatabase())) {
            if (r.state == QLatin1String("steps")) {
                m_interrupted = r;
                DbVersion = r.version;
                break;
            }
        }
    }
    for (int i = 0; i < int(steps.size()); ++i) {
        if (steps[i].version() > DbVersion) {
            FirstPending = i;
            IsPending = true;
            break;
        }
    }
    if (FirstPending < 0)
        return;
    LastPending = int(steps.size()) - 1;
    for (int i = FirstPending; i <= LastPending; ++i)
        BackupCount += steps[i].NeedBackup;
}

void TDbUpdater::SetDbVersionFromText(const QString& text) {
    DbVersion = TDbVersion::fromText(text);
}

bool TDbUpdater::SetDbVersion() {
    DbVersion = {};
    try {
        if (!DM)
            throw std::runtime_error("no database module");
        const bool system = DbKind == 0;
        fb::Database& database = system ? DM->IBDatabaseDEF : DM->IBDatabaseDAT;
        if (!database.isConnected()) {
            const bool connected = system ? DM->fnAccDefConnected(SystemDef.HOSTNAME, 1)
                                          : DM->fnAccDatConnected(SystemDef.HOSTNAME, SystemDef.DataDir, 0);
            if (!connected)
                return false; // the module has shown why
        }
        fb::Transaction transaction(database);
        fb::Query q(transaction, QStringLiteral("SELECT MAJOR,MINOR1 AS MINOR,MINOR2 AS REV FROM %1\n"
                                                "ORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC")
                                     .arg(system ? QStringLiteral("VERSION") : QStringLiteral("ACCVERSION")));
        q.open();
        if (!q.eof())
            DbVersion = {q.field("MAJOR").asInt(), q.field("MINOR").asInt(), q.field("REV").asInt()};
        q.close();
        transaction.commit();
        return true;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDbUpdateBox.SetDbVersion"), kVersionFailed, true);
    } catch (const std::exception&) {
        ShowErrDetail(kVersionFailed, {}, ::ui::MsgKind::Error);
    }
    DbVersion = {};
    return false;
}

bool TDbUpdater::runWorker(TBackupJob::Mode mode, const Observer& observer) {
    const bool backup = mode == TBackupJob::Backup;
    if (observer.workerStarted)
        observer.workerStarted(backup ? QStringLiteral("データ更新の準備中")
                                      : QStringLiteral("更新前データの復元中"),
                               backup ? QStringLiteral("準備中、しばらくお待ちください…")
                                      : QStringLiteral("復元中、しばらくお待ちください…"));
    TBackupJob job;
    job.mode = mode;
    job.serverMode = ConnectMode == 1 || ConnectMode == 2;
    job.myNumberCheck = DbKind == 1;
    job.host = SystemDef.HOSTNAME == QLatin1String("127.0.0.1") ? QString() : SystemDef.HOSTNAME;
    job.database = TargetDatabase();
    job.backupFile = BackupPath;
    bool ok = false;
    WorkerResult = {};
    try {
        ok = DbUpdateBackupWorker && DbUpdateBackupWorker(job, WorkerResult);
    } catch (const std::exception& e) {
        WorkerResult.Error = true;
        WorkerResult.Message = backup ? QStringLiteral("データベースのバックアップに失敗しました。")
                                      : QStringLiteral("データベースの復元に失敗しました。");
        WorkerResult.Detail = QString::fromUtf8(e.what());
    }
    if (DbKind == 0 && DM)
        detachSystemDatabase();
    if (observer.workerFinished)
        observer.workerFinished();
    return ok;
}

qint32 TDbUpdater::RunUpdates(const Observer& observer) {
    IsUpdated = false;
    WorkerResult = {};
    BackupPath.clear();
    // After a run nothing is pending any more: a second OK must not run the steps again.
    if (!IsPending || FirstPending < 0)
        return UpdatesNotRun;
    const auto notRun = [this] {
        FirstPending = LastPending = -1;
        return UpdatesNotRun;
    };
    // Every step runs isql-fb: without it the run stops before it costs a backup.
    if (!IsqlToolFound()) {
        ::ui::showMessage(::ui::MsgKind::Information, IsqlNotStartedMessage);
        return notRun();
    }
    const QString database = TargetDatabase();
    RunRecord record;
    const bool resume = m_interrupted.has_value();
    const bool withBackup = BackupCount > 0 || resume;
    if (resume) {
        // The database first goes back to the state the cut-short run saved; that backup serves this run.
        record = *m_interrupted;
        m_interrupted.reset();
        BackupPath = record.backup;
        if (!runWorker(TBackupJob::Restore, observer))
            return notRun();
    } else if (withBackup) {
        // A backup cut short restores nothing: the database was not touched after it.
        for (const RunRecord& r : RunRecords(database))
            if (r.state == QLatin1String("backup"))
                dropRecord(r);
        BackupPath = freeBackupPath();
        record = {recordPathFor(BackupPath), database, BackupPath, DbVersion, {}};
        // The record is written before the backup starts and moves on only once the backup is whole.
        // ("更新前データ" in the documents folder holds what the accounting application saved before its
        // own updates; this program puts nothing there, so it removes nothing there either.)
        if (!saveRecord(record, QStringLiteral("backup")) || !runWorker(TBackupJob::Backup, observer) ||
            !saveRecord(record, QStringLiteral("steps"))) {
            dropRecord(record); // a half-written backup restores nothing
            BackupPath.clear();
            return notRun();
        }
    }

    TArrayDbUpdateListRec& steps = CurrentSteps();
    bool allDone = true;
    if (observer.stepsStarted)
        observer.stepsStarted(LastPending - FirstPending + 1);
    for (int i = FirstPending; i <= LastPending; ++i) {
        qint32 result = StepScriptFailed;
        try {
            result = steps[i].StepProc ? steps[i].StepProc() : StepScriptFailed;
        } catch (const fb::Error& e) {
            ErrFbAccess(
                e, QStringLiteral("TDbUpdateBox.RunUpdates"),
                QStringLiteral("Ver %1のデータベース更新に失敗しました。").arg(steps[i].version().text()));
        } catch (const std::exception& e) {
            ShowErrDetail(
                QStringLiteral("Ver %1のデータベース更新に失敗しました。").arg(steps[i].version().text()),
                QString::fromUtf8(e.what()), ::ui::MsgKind::Error);
        }
        if (observer.stepFinished)
            observer.stepFinished(i - FirstPending, result);
        if (result != StepDone) {
            allDone = false;
            break;
        }
    }
    if (observer.stepsFinished)
        observer.stepsFinished();

    if (!allDone && withBackup) {
        // A restore that fails, or is cut short, leaves the record at "steps": the next run restores.
        if (!runWorker(TBackupJob::Restore, observer))
            return notRun();
        saveRecord(record, QStringLiteral("kept"));
    }
    FirstPending = LastPending = -1;
    IsPending = false;
    if (allDone) {
        DbVersion = NewestVersion;
        IsUpdated = true;
        // This run's backup and those kept from earlier failed runs of the database are all older than
        // what the database now holds.
        if (withBackup)
            dropRecord(record);
        for (const RunRecord& r : RunRecords(database))
            dropRecord(r);
        BackupPath.clear();
        return UpdatesDone;
    }
    return UpdatesFailed;
}

// ---- TDbUpdateBox ---------------------------------------------------------------------------------

TDbUpdateBox::TDbUpdateBox(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::TDbUpdateBox>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // Laid out at 96 pixels per inch; every place and size follows the screen's resolution.
    for (QWidget* w : std::initializer_list<QWidget*>{ui->ImageRed, ui->ImageGrn, ui->lblTitle1,
                                                      ui->ListView1, ui->RichEdit1, ui->cboxAgree,
                                                      ui->lblTitle2, ui->lblTitle3, ui->pnlProgress,
                                                      ui->Label1, ui->ProgressBar1, ui->btnOk, ui->btnCancel})
        w->setGeometry(scaled(w->x()), scaled(w->y()), scaled(w->width()), scaled(w->height()));
    setFixedSize(scaled(472), scaled(520));
    ui->pnlClient->setGeometry(0, 0, width(), height());
    const int icon = scaled(33);
    ui->ImageRed->setPixmap(databaseIcon(QColor(210, 40, 40), icon));
    ui->ImageGrn->setPixmap(databaseIcon(QColor(40, 160, 60), icon));
    ui->btnOk->setCaptionACaption(QStringLiteral("OK"));
    ui->btnOk->setModalResult(::ui::mrOk);
    ui->btnCancel->setCaptionACaption(QStringLiteral("キャンセル"));
    ui->pnlProgress->hide();
    ui->ListView1->header()->setSectionsMovable(false);
    connect(ui->cboxAgree, &QCheckBox::clicked, this, [this] { cboxAgreeClick(); });
    connect(ui->btnOk, &TxPlButton::clicked, this, [this] { btnOkClick(); });
    connect(ui->btnCancel, &TxPlButton::clicked, this, [this] { btnCancelClick(); });
    connect(ui->ListView1, &QTreeWidget::currentItemChanged, this, [this] { ListView1SelectItem(); });
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TDbUpdateBox::~TDbUpdateBox() {
    if (m_progress)
        m_progress->Close();
}

int TDbUpdateBox::scaled(int value) const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return ScalePPI(value, s ? qRound(s->logicalDotsPerInch()) : 96, 96);
}

bool TDbUpdateBox::running() const {
    return m_running;
}

void TDbUpdateBox::SetupPendingList(quint8 kind, const QString& versionText) {
    QHeaderView* header = ui->ListView1->header();
    header->resizeSection(0, scaled(60));
    header->resizeSection(1, scaled(280));
    header->resizeSection(2, scaled(80));
    const bool accounting = kind != 0;
    ui->btnCancel->setVisible(accounting);
    ui->ImageGrn->setVisible(accounting);
    ui->ImageRed->setVisible(!accounting);
    if (accounting) {
        ui->lblTitle1->setText(QStringLiteral("会計データの更新を行います。"));
        ui->lblTitle2->setText(
            QStringLiteral("バックアップを取得せずに、この処理を行うと元に戻すことが出来ません。"));
        ui->lblTitle3->setText(QStringLiteral("必ずバックアップを取得後に実行することを強く推奨します。"));
        for (QLabel* l : {ui->lblTitle2, ui->lblTitle3})
            l->setStyleSheet(QStringLiteral("color: #FF0000;"));
        ui->cboxAgree->show();
        ui->btnOk->move(scaled(280), ui->btnOk->y());
        ui->btnCancel->move(scaled(380), ui->btnCancel->y());
    } else {
        ui->lblTitle1->setText(QStringLiteral("システムデータの更新を行います。"));
        ui->lblTitle2->clear();
        ui->lblTitle3->clear();
        ui->cboxAgree->hide();
        ui->btnOk->move(scaled(380), ui->btnOk->y());
    }
    cboxAgreeClick();

    Updater.SetupPending(kind, versionText);
    if (Updater.FirstPending < 0)
        return;
    ui->ListView1->clear();
    const TArrayDbUpdateListRec& steps = Updater.CurrentSteps();
    for (int i = Updater.FirstPending; i <= Updater.LastPending; ++i) {
        auto* item = new QTreeWidgetItem(ui->ListView1);
        item->setText(0, steps[i].version().text());
        item->setText(1, steps[i].Title);
        item->setText(2, QString());
    }
    ui->ListView1->setCurrentItem(ui->ListView1->topLevelItem(0));
    ListView1SelectItem();
}

void TDbUpdateBox::ListView1SelectItem() {
    ui->RichEdit1->clear();
    const int row = ui->ListView1->indexOfTopLevelItem(ui->ListView1->currentItem());
    const TArrayDbUpdateListRec& steps = Updater.CurrentSteps();
    const int index = row + std::max(Updater.FirstPending, 0);
    if (row < 0 || index >= int(steps.size()))
        return;
    QString text = steps[index].Description;
    text.replace(u'\r', u'\n');
    ui->RichEdit1->setPlainText(text);
}

void TDbUpdateBox::cboxAgreeClick() {
    ui->btnOk->setEnabled(ui->cboxAgree->isHidden() || ui->cboxAgree->isChecked());
}

void TDbUpdateBox::btnCancelClick() {
    if (m_running)
        return;
    if (isVisible())
        done(::ui::mrCancel);
    else
        setResult(::ui::mrCancel);
}

void TDbUpdateBox::reject() {
    btnCancelClick();
}

void TDbUpdateBox::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        btnCancelClick();
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TDbUpdateBox::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F12 && ui->btnOk->isEnabled() && !ui->btnOk->isHidden()) {
        e->accept();
        ui->btnOk->click();
        return;
    }
    QDialog::keyReleaseEvent(e);
}

void TDbUpdateBox::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    QApplication::restoreOverrideCursor();
    update();
}

void TDbUpdateBox::LoggedInOperatorLines(QString& text) {
    text.clear();
    if (Updater.DbKind != 0 || !DM)
        return;
    try {
        if (DM->fnAccDefConnected(SystemDef.HOSTNAME, 1)) {
            for (const TLoggedOnOperator& op : LoggedOnOperatorsProc())
                text += QStringLiteral("[ %1 ]:  %2\r").arg(op.code, 4, 10, QLatin1Char('0')).arg(op.name);
        }
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDbUpdateBox.LoggedInOperatorLines"),
                    QStringLiteral("ログオン中のオペレータの取得に失敗しました。"));
    } catch (const std::exception& e) {
        ShowErrDetail(QStringLiteral("ログオン中のオペレータの取得に失敗しました。"),
                      QString::fromUtf8(e.what()), ::ui::MsgKind::Error);
    }
    detachSystemDatabase();
}

bool TDbUpdateBox::targetInUse() {
    if (!DM)
        return true;
    if (Updater.DbKind == 0) {
        detachSystemDatabase();
        if (!DM->AccDatInConnection(0, SystemDef.HOSTNAME, false, SystemDef.SYSDIR))
            return false;
        QString lines;
        LoggedInOperatorLines(lines);
        ::ui::showMessage(
            ::ui::MsgKind::Information,
            QStringLiteral("現在、他のオペレータがシステムを利用中です。\r"
                           "データベースの更新を行うには、システムを終了するようにご連絡して下さい。\r"
                           "利用中のオペレータ (異常終了時のオペレータ含む)\r\r") +
                lines,
            ::ui::mbOK, QStringLiteral("情報"));
        return true;
    }
    if (DM->IBDatabaseDAT.isConnected())
        DM->fnAccDatDisConnected(SystemDef.DataDir, 0, 0);
    if (!DM->AccDatInConnection(1, SystemDef.HOSTNAME, false, SystemDef.DataDir))
        return false;
    ::ui::showMessage(
        ::ui::MsgKind::Information,
        QStringLiteral("現在、他のオペレータが会計データを利用中です。\r"
                       "データベースの更新を行うには、会計データの利用を停止するようにご連絡して下さい。"),
        ::ui::mbYes);
    return true;
}

void TDbUpdateBox::setRowStatus(int row, qint32 result) {
    QTreeWidgetItem* item = ui->ListView1->topLevelItem(row);
    if (!item)
        return;
    const bool done = result == StepDone;
    item->setText(2, done
                         ? QStringLiteral("完了")
                         : (result == StepFileMissing ? QStringLiteral("ﾌｧｲﾙ不足") : QStringLiteral("失敗")));
    item->setIcon(2, statusIcon(done));
}

void TDbUpdateBox::reconnect() {
    if (!DM)
        return;
    try {
        if (Updater.DbKind == 0) {
            if (!DM->IBDatabaseDEF.isConnected())
                DM->fnAccDefConnected(SystemDef.HOSTNAME, 1);
            return;
        }
        if (!DM->IBDatabaseDAT.isConnected())
            DM->fnAccDatConnected(SystemDef.HOSTNAME, SystemDef.DataDir, 0);
        DM->fnAccDatDisConnected(SystemDef.DataDir, 1, 1);
        DM->fnAccDatConnected(SystemDef.HOSTNAME, SystemDef.DataDir, 0);
        if (DM->IBDatabaseDAT.isConnected())
            DM->fnGetAccInfo();
    } catch (const std::exception& e) {
        ShowErrDetail(QStringLiteral("データベースの接続処理に失敗しました。"), QString::fromUtf8(e.what()),
                      ::ui::MsgKind::Error);
    }
}

void TDbUpdateBox::btnOkClick() {
    if (m_running) {
        setResult(::ui::mrRetry); // the run alone decides the result
        return;
    }
    m_running = true;
    setResult(::ui::mrRetry);
    if (!targetInUse()) {
        TDbUpdater::Observer observer;
        observer.workerStarted = [this](const QString& caption, const QString& info) {
            m_progress = std::make_unique<TxAnimeProgressDialog>();
            m_progress->setCaption(caption);
            m_progress->setInfoLabel(info);
            m_progress->setCommonAVI(aviCopyFiles);
            m_progress->setCancelBtnShow(false);
            m_progress->Execute(this);
        };
        observer.workerFinished = [this] {
            if (isVisible())
                ForceForegroundWindow(this);
            if (m_progress)
                m_progress->Close();
            m_progress.reset();
        };
        observer.stepsStarted = [this](int count) {
            ui->ProgressBar1->setRange(0, count);
            ui->ProgressBar1->setValue(0);
            ui->pnlProgress->show();
            ui->pnlProgress->raise();
            QApplication::setOverrideCursor(Qt::WaitCursor);
        };
        observer.stepFinished = [this](int row, qint32 result) {
            setRowStatus(row, result);
            if (result == StepDone)
                ui->ProgressBar1->setValue(ui->ProgressBar1->value() + 1);
        };
        observer.stepsFinished = [this] {
            WaitMSec(300);
            ui->pnlProgress->hide();
            QApplication::restoreOverrideCursor();
        };
        Updater.RunUpdates(observer);
        if (!Updater.IsUpdated) {
            QStringList lines{Updater.DbKind == 0 ? QStringLiteral("システムデータの更新に失敗しました。")
                                                  : QStringLiteral("会計データの更新に失敗しました。")};
            if (!Updater.WorkerResult.Message.isEmpty())
                lines << QStringLiteral("[エラー内容]") << Updater.WorkerResult.Message
                      << Updater.WorkerResult.Detail;
            if (!Updater.BackupPath.isEmpty() && QFileInfo::exists(Updater.BackupPath))
                lines << QStringLiteral("更新前のデータは次のファイルに保存されています。")
                      << Updater.BackupPath;
            ::ui::showMessage(::ui::MsgKind::Error, lines.join(u'\r'));
        }
    }
    reconnect();
    m_running = false;
    const int result = Updater.IsUpdated ? ::ui::mrOk : ::ui::mrRetry;
    if (isVisible())
        done(result);
    else
        setResult(result);
}
