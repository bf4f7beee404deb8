#include "tusin/z5CashBookLoader.h"

#include "ui_z5CashBookLoader.h"

#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "core/uAccTaxCmp.h"
#include "platform/Cp932.h"
#include "platform/SafeSaveFile.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbQuery.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTreeWidgetItem>

#include <cstdio>
#include <map>

namespace {

const QString kFinalStopped = QStringLiteral("取り込み処理を中止しました。");
const QString kCause = QStringLiteral("原因: %1");

QString errorText(const std::exception& e) {
    if (const auto* fbError = dynamic_cast<const fb::Error*>(&e))
        return fbError->message();
    return QString::fromUtf8(e.what());
}

// "#,##0" of whole units.
QString groupedUnits(qint64 units) {
    const bool negative = units < 0;
    QString digits = QString::number(negative ? -units : units);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    return negative ? u'-' + digits : digits;
}

QString sitenText(int siten) {
    return siten == 1 ? QStringLiteral("本・支店管理を行う") : QStringLiteral("本・支店管理を行わない");
}

QString bumonText(int bumon) {
    switch (bumon) {
    case 1:
        return QStringLiteral("部門管理を行う[損益]");
    case 2:
        return QStringLiteral("部門管理を行う[全科目]");
    default:
        return QStringLiteral("部門管理を行わない");
    }
}

// The list's picture of an entry level (none for level 0).
QIcon levelIcon(quint8 level) {
    switch (level) {
    case 1:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
    case 2:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    case 3:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
    default:
        return {};
    }
}

int scaled(int pixels, const QWidget* w) {
    const qreal dpi = w->logicalDpiX();
    return dpi > 0 ? qRound(pixels * dpi / 96.0) : pixels;
}

} // namespace

// A received cash journal row with what the merge reads of it.
struct TCashBookLoaderBox::ReceivedRow {
    qint32 REC = 0, SWKNO = 0, DELFLG = 0, RESERVE1 = 0, LINKREC = 0;
    QString SCODE, KCODE, KNAME, R_KNAME;
    TSWKREC data; // the row's values in entry form (user account codes)
};

TCashBookLoaderBox::TCashBookLoaderBox(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TCashBookLoaderBox>()),
      ReceiveIBTransaction(ReceiveIBDatabase), IBTransactionDAT(DM->IBDatabaseDAT) {
    ui->setupUi(this);
    SetWaitMode(1);
    ProcessInfo.ProcessName = QStringLiteral("CashBookLoader");
    // One transaction over both databases.
    ReceiveIBTransaction.joinDistributed(IBTransactionDAT);
    IBSQL1 = std::make_unique<fb::Query>(IBTransactionDAT);
    IBSQL2 = std::make_unique<fb::Query>(IBTransactionDAT);
    ReceiveIBSQL1 = std::make_unique<fb::Query>(ReceiveIBTransaction);
    ReceiveIBSQL2 = std::make_unique<fb::Query>(ReceiveIBTransaction);
    SiwakeWriter.SetTransaction(IBTransactionDAT);
    ui->Image1->setPixmap(
        QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    ui->pnlProgress->hide();
    ui->Animate1->setCommonAVI(aviFindFolder);
    ui->btnOutput->setEnabled(false);
    ui->btnOk->setEnabled(false);
    ui->btnCancel->setEnabled(false);
    ui->ListView1->setColumnWidth(0, scaled(80, this));
    Timer1.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(ui->btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(ui->btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(ui->btnOutput, &QPushButton::clicked, this, [this] { btnOutputClick(); });
    connect(ui->ListView1, &QTreeWidget::currentItemChanged, this, [this] { ListView1SelectItem(); });
}

TCashBookLoaderBox::~TCashBookLoaderBox() {
    m_prepared.clear();
    IBSQL1.reset();
    IBSQL2.reset();
    ReceiveIBSQL1.reset();
    ReceiveIBSQL2.reset();
    try {
        ReceiveIBDatabase.detach();
    } catch (const fb::Error&) {
    }
}

void TCashBookLoaderBox::SetWaitMode(int mode) {
    if (mode != 1)
        return;
    ui->btnOk->setEnabled(false);
    ui->btnCancel->setEnabled(false);
    ui->btnOk->hide();
    ui->btnCancel->setText(QStringLiteral("閉じる"));
    Timer1.stop();
    Timer1.setInterval(1500);
    AutoPending = 1;
}

void TCashBookLoaderBox::SetReceivedDatabase(const QString& path) {
    ReceivedFile = path;
    if (QFileInfo::exists(path)) {
        ReceiveIBDatabase.setPath(path);
        ReceiveIBDatabase.setParams(TDM::ConnectParams());
    }
}

void TCashBookLoaderBox::InitList() {
    ui->ListView1->setColumnWidth(0, scaled(80, this));
    ui->ListView1->setColumnWidth(1, scaled(500, this));
    if (Origin == 0) {
        ui->lblTitle1->setText(QStringLiteral("現金出納帳データの取り込みを行います。"));
        ui->lblTitle2->setText(
            QStringLiteral("この処理を実行することにより、顧問先と現金残高の同期が行われます。"));
    } else {
        ui->lblTitle1->setText(QStringLiteral("データの取り込みを行います。"));
        ui->lblTitle2->setText(
            QStringLiteral("この処理を実行することにより、送信元とデータの同期が行われます。"));
    }
    ui->lblTitle3->clear();
    ui->btnOk->move(scaled(450, this), ui->btnOk->y());
    ui->btnCancel->move(scaled(540, this), ui->btnCancel->y());
}

void TCashBookLoaderBox::ShowResultTitles() {
    if (ImportResult <= 0) {
        ui->lblTitle1->setText(Origin == 0 ? QStringLiteral("現金出納帳データの取り込みが中止されました。")
                                           : QStringLiteral("データの取り込みが中止されました。"));
        ui->lblTitle2->setText(QStringLiteral("下記の情報より、中止された理由を確認して下さい。"));
    } else {
        ui->lblTitle1->setText(Origin == 0 ? QStringLiteral("現金出納帳データの取り込みを行いました。")
                                           : QStringLiteral("データの取り込みを行いました。"));
        ui->lblTitle2->setText(QStringLiteral("下記の情報を確認して下さい。"));
    }
    ui->lblTitle3->clear();
}

void TCashBookLoaderBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    try {
        InitList();
        repaint();
        if (AutoPending == 1) {
            Timer1.start();
            ui->Animate1->setActive(true);
            ui->pnlProgress->show();
            ui->Label1->setText(QStringLiteral("準備中です…"));
        } else if (ShowOnStop == 1 && ImportResult < 0) {
            ui->Animate1->setActive(false);
            ui->pnlProgress->hide();
            ShowResultTitles();
        }
    } catch (const std::exception& e) {
        ui::showError(errorText(e));
    }
    QApplication::restoreOverrideCursor();
}

void TCashBookLoaderBox::Timer1Timer() {
    Timer1.stop();
    if (AutoPending == 1)
        btnOkClick();
}

void TCashBookLoaderBox::AutoRun() {
    if (Origin != 1)
        return;
    Timer1.stop();
    InitList();
    if (AutoPending == 1)
        btnOkClick();
}

qint32 TCashBookLoaderBox::GetResult() {
    ImportResult = TesuvioLogResult(ProcessLog);
    return ImportResult;
}

void TCashBookLoaderBox::AddLogEntry() {
    TTesuvioSyoriInfo e = ProcessInfo;
    e.ProcessName.clear();
    ProcessLog.push_back(e);
    auto* item = new QTreeWidgetItem(ui->ListView1);
    item->setText(0, TesuvioLevelText(e.Level));
    item->setText(1, e.Message);
    item->setData(0, Qt::UserRole, int(e.Level) - 1);
    item->setIcon(0, levelIcon(e.Level));
    // The result as GetResult gives it, kept up as entries come: the first error or success decides,
    // until then the latest entry's code stands. A merge logs an entry per corrected journal entry.
    if (!m_resultDecided) {
        ImportResult = e.Code;
        m_resultDecided = e.Level == 3 || e.Code == 1;
    }
}

void TCashBookLoaderBox::addEntry(quint8 level, qint32 code, const QString& message) {
    ProcessInfo.Level = level;
    ProcessInfo.Code = code;
    ProcessInfo.Message = message;
    AddLogEntry();
}

TTesuvioSyoriInfo TCashBookLoaderBox::GetFinalInfo() const {
    TTesuvioSyoriInfo info;
    if (ImportResult < 0) {
        info.Level = 3;
        info.Code = -100;
        info.Message = kFinalStopped;
        return info;
    }
    info.Level = 1;
    info.Code = 1;
    info.Message = QStringLiteral("取り込み処理が成功しました。");
    for (const TTesuvioSyoriInfo& e : ProcessLog)
        if (e.Code == 101) {
            info.Message += QStringLiteral(" （次回の送信時は、マスター送信を行って下さい。）");
            break;
        }
    return info;
}

void TCashBookLoaderBox::stepFailed(const QString& failureText, const std::exception& e) {
    addEntry(3, -100, failureText + kCause.arg(errorText(e)));
}

void TCashBookLoaderBox::btnCancelClick() {
    if (m_running)
        return;
    done(ui->btnCancel->text() == QStringLiteral("閉じる") ? 1 : 2);
}

void TCashBookLoaderBox::ListView1SelectItem() {
    const QTreeWidgetItem* item = ui->ListView1->currentItem();
    ui->RichEdit1->setPlainText(item ? item->text(1) : QString());
}

void TCashBookLoaderBox::ResetImport() {
    ImportResult = 0;
    m_resultDecided = false;
    ProcessInfo.Level = 0;
    ProcessInfo.Code = 0;
    ProcessInfo.Message.clear();
    ProcessLog.clear();
    m_replacePending = false;
    ui->Label1->setText(QStringLiteral("準備中です…"));
    ui->ProgressBar1->setRange(0, 7);
    ui->ProgressBar1->setValue(0);
    ui->ListView1->clear();
    ui->RichEdit1->clear();
}

void TCashBookLoaderBox::advance() {
    ui->ProgressBar1->setValue(ui->ProgressBar1->value() + 1);
}

void TCashBookLoaderBox::SetTransaction(fb::Transaction& transaction) {
    IBSQL1->setTransaction(transaction.partner() ? *transaction.partner() : transaction);
    IBSQL2->setTransaction(transaction.partner() ? *transaction.partner() : transaction);
    SiwakeWriter.SetTransaction(transaction.partner() ? *transaction.partner() : transaction);
}

void TCashBookLoaderBox::btnOkClick() {
    if (m_running)
        return;
    m_running = true;
    try {
        setResult(0);
        ui->btnCancel->setText(QStringLiteral("閉じる"));
        ui->btnOk->setEnabled(false);
        ui->btnCancel->setEnabled(false);
        bool inUse = false;
        try {
            inUse = DM->AccDatInConnection(1, SystemDef.HOSTNAME, false, SystemDef.DataDir);
        } catch (const std::exception&) {
            inUse = false;
        }
        if (inUse) {
            ResetImport();
            addEntry(3, -100,
                     QStringLiteral("現在、他のユーザーがデータを使用中です。他のユーザーがデータを使用してい"
                                    "る間は現金出納帳の取り込みは行えません。"));
        } else {
            bool connected = false;
            try {
                if (!ReceiveIBDatabase.isConnected())
                    ReceiveIBDatabase.attach();
                connected = DM->IBDatabaseDAT.isConnected() ||
                            DM->fnAccDatConnected(SystemDef.HOSTNAME, SystemDef.DataDir, 0);
            } catch (const std::exception&) {
                connected = false;
            }
            if (!connected) {
                ResetImport();
                addEntry(3, -100, QStringLiteral("会計データの接続に失敗しました。"));
            } else {
                ui->Animate1->setActive(true);
                ui->pnlProgress->show();
                RunImport();
                if (ui->ListView1->topLevelItemCount() > 0)
                    ui->ListView1->setCurrentItem(ui->ListView1->topLevelItem(0));
            }
        }
        AutoPending = 0;
        ShowResultTitles();
        ui->pnlProgress->hide();
        ui->Animate1->setActive(false);
        if (!DM->IBDatabaseDAT.isConnected())
            DM->fnAccDatConnected(SystemDef.HOSTNAME, SystemDef.DataDir, 0);
        if (ImportResult > 0 && DM->IBDatabaseDAT.isConnected())
            DM->fnGetAccInfo();
    } catch (const std::exception& e) {
        ui::showError(errorText(e));
    }
    ui->btnOutput->setEnabled(ui->ListView1->topLevelItemCount() > 0);
    ui->btnCancel->setEnabled(true);
    m_running = false;
    if (isVisible()) {
        ui->btnCancel->setFocus();
    } else if (ImportResult < 0 && QCoreApplication::instance() && !QCoreApplication::closingDown()) {
        ShowOnStop = 1;
        exec();
    }
}

void TCashBookLoaderBox::rollBack() {
    ui->Label1->setText(QStringLiteral("データ廃棄中です…"));
    if (TransactionWasActive == 0 && ReceiveIBTransaction.isActive()) {
        try {
            ReceiveIBTransaction.rollback();
        } catch (const fb::Error&) {
        }
    }
    advance();
}

void TCashBookLoaderBox::disconnectAll() {
    try {
        ReceiveIBDatabase.detach();
    } catch (const fb::Error&) {
    }
    // Every own attachment to the data file goes before the file is swapped: a renamed file stays
    // open for an attachment that still holds it.
    DM->fnAccDatDisConnected(SystemDef.DataDir, 0, 0);
}

void TCashBookLoaderBox::RunImport() {
    ResetImport();
    if (Origin == 0 && MergeMode == 0)
        return;
    const auto process = [] { QCoreApplication::processEvents(); };
    const auto step = [&](const QString& text) {
        ui->Label1->setText(text);
        process();
    };
    m_cashAccount = {AccInf.CashKCODE, 0};
    bool refused = false;
    try {
        TransactionWasActive = ReceiveIBTransaction.isActive() ? 1 : 0;
        SetTransaction(ReceiveIBTransaction);
        if (!TransactionWasActive)
            ReceiveIBTransaction.start();
        try {
            SitenList.SetTransaction(IBTransactionDAT);
            SitenList.Kinds = TSitenList::KindSites;
            SitenList.Load(-1);
        } catch (const std::exception& e) {
            stepFailed(QStringLiteral("「施設一覧の取得」に失敗しました。 "), e);
            throw;
        }
        advance();
        try {
            ReadReceivedVersion();
        } catch (const std::exception& e) {
            stepFailed(QStringLiteral("「受信データのバージョン取得」に失敗しました。 "), e);
            throw;
        }
        advance();
        if (MergeMode == 0) {
            if (ImportResult >= 0) {
                step(QStringLiteral("現金仕訳の整合中です…"));
                advance();
            }
            if (ImportResult >= 0) {
                step(QStringLiteral("摘要／取引先辞書の移行中です…"));
                CarryOverDictionaries();
                advance();
            }
            if (ImportResult >= 0) {
                step(QStringLiteral("データリスト名称の移行中です…"));
                CarryOverDataListName();
                advance();
            }
        } else {
            step(QStringLiteral("科目体系の整合チェック中です…"));
            if (!CheckAccountScheme()) {
                refused = true;
            } else {
                advance();
                if (ImportResult >= 0) {
                    step(QStringLiteral("補助科目の移行中です…"));
                    CarryOverSubAccounts();
                    advance();
                }
                if (ImportResult >= 0) {
                    step(QStringLiteral("開始残高の移行中です…"));
                    CarryOverOpeningBalances();
                    advance();
                }
                if (ImportResult >= 0) {
                    step(QStringLiteral("現金仕訳の移行中です…"));
                    MergeCashJournals();
                    advance();
                }
                if (ImportResult >= 0 && Origin == 0) {
                    step(QStringLiteral("現金残高の比較中です…"));
                    CompareCashBalance();
                }
            }
        }
        if (refused) {
            rollBack();
        } else if (ImportResult < 0) {
            rollBack();
            ProcessInfo = GetFinalInfo();
            AddLogEntry();
        } else {
            step(QStringLiteral("データ整合中です…"));
            CleanReceivedData();
            advance();
            ui->Label1->setText(QStringLiteral("データ確定中です…"));
            if (TransactionWasActive == 0)
                ReceiveIBTransaction.commit();
            advance();
            if (MergeMode == 0) {
                // The success entry waits for the file swap: a failed swap is the run's result.
                m_replacePending = true;
            } else {
                ProcessInfo = GetFinalInfo();
                AddLogEntry();
            }
        }
    } catch (const std::exception&) {
        rollBack();
        if (ImportResult >= 0)
            addEntry(3, -100, kFinalStopped);
        else {
            ProcessInfo = GetFinalInfo();
            AddLogEntry();
        }
    }
    disconnectAll();
    if (m_replacePending && ImportResult >= 0) {
        m_replacePending = false;
        ReplaceDataFile();
        ProcessInfo = GetFinalInfo();
        AddLogEntry();
    }
}

void TCashBookLoaderBox::ReadReceivedVersion() {
    ReceiveIBSQL1->setSql(QStringLiteral("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION"
                                         " ORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC"));
    ReceiveIBSQL1->open();
    if (!ReceiveIBSQL1->eof()) {
        ReceivedMajor = ReceiveIBSQL1->field("MAJOR").asInt();
        ReceivedMinor1 = ReceiveIBSQL1->field("MINOR1").asInt();
        ReceivedMinor2 = ReceiveIBSQL1->field("MINOR2").asInt();
    }
    ReceiveIBSQL1->close();
}

bool TCashBookLoaderBox::CleanReceivedData() {
    if (MergeMode != 0)
        return true;
    try {
        fb::Query& q = *ReceiveIBSQL1;
        for (const char* table : {"OPINF", "OPHIST", "OPLICENSE", "OPDEFSISETU"}) {
            q.setSql(QStringLiteral("DELETE FROM ") + QString::fromLatin1(table));
            q.execute();
        }
        q.setSql(QStringLiteral("DELETE FROM ACCREG WHERE (AGROUP=:AGROUP) AND (ACODE=:ACODE)"));
        for (const QString& code : {QStringLiteral("合算データ区分"), QStringLiteral("合算データ数")}) {
            q.setString("AGROUP", QStringLiteral("基本設定"));
            q.setString("ACODE", code);
            q.execute();
        }
    } catch (const std::exception& e) {
        stepFailed(QStringLiteral("取り込み後処理に失敗しました。 "), e);
        throw;
    }
    return true;
}

bool TCashBookLoaderBox::CopyReceivedFile(const QString& from, const QString& to, int mode) {
    return DM->ServerFCopy(from, to, mode);
}

bool TCashBookLoaderBox::ReplaceDataFile() {
    if (MergeMode != 0)
        return true;
    const int mode = ConnectMode == 0 ? 0 : 1;
    const QString target = ExcludePathDelim(SystemDef.DataDir) + u'/' + DataFileName;
    const QFileInfo info(target);
    const QString backup = info.path() + u'/' + info.completeBaseName() + QStringLiteral(".f00");
    // The received data is copied beside the target under a name of its own first: the dataset keeps its
    // file until the new one is complete.
    const QString incoming = target + QStringLiteral(".new");
    const auto removeIncoming = [&] {
        if (DM->ServerFExist(incoming, mode))
            DM->ServerFDel(incoming, mode, false);
    };
    const auto failed = [&](const QString& where) {
        addEntry(3, -100, QStringLiteral("受信データの移行処理後のコピーに失敗しました。"));
        addEntry(3, -100, where);
        return false;
    };
    const QString unchanged = QStringLiteral("元のデータ「%1」は変更されていません。").arg(target);
    removeIncoming();
    if (!CopyReceivedFile(ReceivedFile, incoming, mode)) {
        removeIncoming();
        return failed(unchanged);
    }
    if (mode == 0) {
        // One rename replaces the file: at every moment the folder holds the old data or the new.
        if (::rename(QFile::encodeName(incoming).constData(), QFile::encodeName(target).constData()) != 0) {
            removeIncoming();
            return failed(unchanged);
        }
        return true;
    }
    // On the server the file is replaced in two moves; the old one waits as the backup meanwhile.
    if (!DM->ServerFMove(target, backup, mode)) {
        removeIncoming();
        return failed(unchanged);
    }
    if (!DM->ServerFMove(incoming, target, mode)) {
        const bool restored = (!DM->ServerFExist(target, mode) || DM->ServerFDel(target, mode, false)) &&
                              DM->ServerFMove(backup, target, mode);
        if (!restored)
            return failed(QStringLiteral("元のデータは「%1」に、受信データは「%2」に残っています。")
                              .arg(backup, incoming));
        removeIncoming();
        return failed(unchanged);
    }
    if (DM->ServerFExist(backup, mode))
        DM->ServerFDel(backup, mode, false);
    return true;
}

bool TCashBookLoaderBox::WriteLogFile(const QString& fileName, bool csv) const {
    const QString sep = csv ? QStringLiteral(",") : QStringLiteral("\t");
    const QString quote = csv ? QStringLiteral("'") : QString();
    QString text;
    for (const TTesuvioSyoriInfo& e : ProcessLog) {
        // Each entry is a line of its own in a list whose lines end with a break as well.
        text += quote + TesuvioLevelText(e.Level) + quote + sep + quote + QString::number(e.Code) + quote +
                sep + quote + e.Message + quote + sep + QStringLiteral("\r\n") + QStringLiteral("\r\n");
    }
    return SafeSaveFile::writeWhole(fileName, cp932::encodeLossy(text));
}

void TCashBookLoaderBox::btnOutputClick() {
    try {
        ui::FileRequest request;
        request.caption = QStringLiteral("ファイル出力");
        request.filter = QStringLiteral("ＣＳＶシート(*.csv);;テキストファイル(*.txt)");
        request.folder = SystemDef.DocumentsDir;
        request.defaultExt = QStringLiteral("csv");
        request.fileName = QStringLiteral("現金出納帳の受信ログ");
        QString path = ui::current().pickSaveFile(request);
        if (path.isEmpty())
            return;
        const bool csv = !path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
        if (!CheckSaveFileUAC(path))
            return;
        if (!WriteLogFile(path, csv))
            ui::showError(QStringLiteral("ファイルの出力に失敗しました。"));
    } catch (const std::exception& e) {
        ui::showError(errorText(e));
    }
}

// ---- master checks and transfers

QString TCashBookLoaderBox::MapAccountGroup(const QString& group, const QString& kcode) const {
    if (ReceivedMajor >= 6)
        return group;
    const QString g5685 = QStringLiteral("5685");
    if (TavrinoEdition == 0) {
        if (kcode == QLatin1String("5601") &&
            (AccInf.DATATYPE == 1 ||
             (AccInf.DATATYPE == 2 && (AccInf.CODETYPE == 1 || AccInf.CODETYPE == 3))))
            return g5685;
    } else if (TavrinoEdition == 1 || TavrinoEdition == 2) {
        const bool code = kcode == QLatin1String("52100") || kcode == QLatin1String("52200") ||
                          kcode == QLatin1String("52300");
        if (code && (AccInf.DATATYPE == 1 || (AccInf.DATATYPE == 2 && AccInf.CODETYPE == 1)))
            return g5685;
    }
    return group;
}

bool TCashBookLoaderBox::CheckAccountScheme() {
    try {
        fb::Query& r = *ReceiveIBSQL1;
        r.setSql(QStringLiteral("SELECT SITEN,BUMON FROM ACCDEF1 WHERE REC=1"));
        r.open();
        if (!r.eof()) {
            const int siten = r.field("SITEN").asInt();
            const int bumon = r.field("BUMON").asInt();
            if (siten != AccInf.SITEN)
                addEntry(3, -106,
                         QStringLiteral("(使用データ:%1 ≠ 受信データ:%2) "
                                        "受信データの本・支店管理区分の設定内容に違いがありました。")
                             .arg(sitenText(AccInf.SITEN), sitenText(siten)));
            if (bumon != AccInf.BUMON)
                addEntry(3, -107,
                         QStringLiteral("(使用データ:%1 ≠ 受信データ:%2) "
                                        "受信データの部門管理区分の設定内容に違いがありました。")
                             .arg(bumonText(AccInf.BUMON), bumonText(bumon)));
        }
        r.close();
        ReadReceivedVersion();

        std::map<QString, QString> received; // user code -> "group-use-switch"
        std::map<QString, TReceiveKamokuInfo> receivedInfo;
        r.setSql(
            QStringLiteral("SELECT KCODE,USERCODE,GROUPM0,USE,HOJOSW,KNAME FROM KAMOKUMST ORDER BY KCODE"));
        r.open();
        while (!r.eof()) {
            TReceiveKamokuInfo k;
            k.GROUPM0 = r.field("GROUPM0").asString();
            k.USERCODE = r.field("USERCODE").asString();
            k.KNAME = r.field("KNAME").asString();
            if (k.KNAME.trimmed().isEmpty())
                k.KNAME = QStringLiteral("名称登録なし");
            k.USE = r.field("USE").asInt();
            k.HOJOSW = r.field("HOJOSW").asString();
            const QString value = QStringLiteral("%1-%2-%3")
                                      .arg(MapAccountGroup(k.GROUPM0, r.field("KCODE").asString()))
                                      .arg(k.USE)
                                      .arg(k.HOJOSW);
            received.emplace(k.USERCODE, value);
            receivedInfo.emplace(k.USERCODE, k);
            r.next();
        }
        r.close();

        fb::Query& l = *IBSQL1;
        l.setSql(
            QStringLiteral("SELECT KCODE,USERCODE,GROUPM0,USE,HOJOSW,KNAME FROM KAMOKUMST ORDER BY KCODE"));
        l.open();
        while (!l.eof()) {
            const QString user = l.field("USERCODE").asString();
            QString name = l.field("KNAME").asString();
            if (name.trimmed().isEmpty())
                name = QStringLiteral("名称登録なし");
            const int use = l.field("USE").asInt();
            const QString mine = QStringLiteral("%1-%2-%3")
                                     .arg(l.field("GROUPM0").asString())
                                     .arg(use)
                                     .arg(l.field("HOJOSW").asString());
            const auto found = received.find(user);
            if (found == received.end()) {
                addEntry(3, -104,
                         QStringLiteral("(使用データ:%1 %2) 科目コードが見つかりません。").arg(user, name));
            } else if (found->second != mine) {
                const TReceiveKamokuInfo& theirs = receivedInfo[user];
                if (Origin == 0 && MergeMode == 1 && use > 0 && theirs.USE == 0)
                    addEntry(2, 101,
                             QStringLiteral(
                                 "(使用データ:%1 %2) 受信データの当科目は[使用しない]に設定されています。")
                                 .arg(user, name));
                else
                    addEntry(3, -105,
                             QStringLiteral("(使用データ:%1 %2 ≠ 受信データ:%3 %4) "
                                            "受信データの科目の設定内容に違いがありました。")
                                 .arg(user, name, theirs.USERCODE, theirs.KNAME));
            }
            l.next();
        }
        l.close();
    } catch (const std::exception& e) {
        stepFailed(QStringLiteral("「科目体系の整合チェック」に失敗しました。 "), e);
        throw;
    }
    if (ImportResult < 0) {
        addEntry(
            3, -103,
            Origin == 1
                ? QStringLiteral("データ送信元の設定変更により科目体系に差異が発生しています。データ送信元に"
                                 "ご連絡して下さい。")
                : QStringLiteral(
                      "データの設定変更により科目体系に差異が発生しています。マスター送信を行って下さい。"));
        return false;
    }
    return true;
}

bool TCashBookLoaderBox::CarryOverSubAccounts() {
    try {
        fb::Query& l = *IBSQL1;
        fb::Query& w = *IBSQL2;
        l.setSql(QStringLiteral("SELECT HOJO_INS_MODE FROM ACCDEF1 WHERE REC=1"));
        l.open();
        const int savedMode = l.eof() ? 0 : l.field("HOJO_INS_MODE").asInt();
        l.close();
        w.setSql(QStringLiteral("UPDATE ACCDEF1 SET HOJO_INS_MODE=:MODE WHERE REC=1"));
        w.setInt("MODE", 0);
        w.execute();

        QSet<QString> local;
        l.setSql(QStringLiteral(
            "SELECT KCODE,HCODE,HKANA,HNAME,TAX_LCODE,TAX_RCODE FROM HOJOMST ORDER BY KCODE,HCODE"));
        l.open();
        while (!l.eof()) {
            local.insert(l.field("KCODE").asString() + u'-' + l.field("HCODE").asString());
            l.next();
        }
        l.close();

        const QString firstScode = SitenList.Count > 0 ? SitenList.GetCode(0) : QStringLiteral(" ");
        fb::Query& r = *ReceiveIBSQL1;
        r.setSql(QStringLiteral(
            "SELECT KCODE,HCODE,HKANA,HNAME,TAX_LCODE,TAX_RCODE,BPFLG FROM HOJOMST ORDER BY KCODE,HCODE"));
        r.open();
        fb::Query balances(
            IBTransactionDAT,
            QStringLiteral("SELECT OUT_SCODE FROM SP_HOJO_KAMOKUSZ_INS(:SCODE,:KCODE,:HCODE)"));
        while (!r.eof()) {
            const QString kcode = r.field("KCODE").asString();
            const QString hcode = r.field("HCODE").asString();
            if (!local.contains(kcode + u'-' + hcode)) {
                w.setSql(QStringLiteral(
                    "INSERT INTO HOJOMST(KCODE,HCODE,HKANA,HNAME,TAX_LCODE,TAX_RCODE,BPFLG,OPCODE)"
                    " VALUES(:KCODE,:HCODE,:HKANA,:HNAME,:TAX_LCODE,:TAX_RCODE,:BPFLG,:OPCODE)"));
                w.setInt("BPFLG", r.field("BPFLG").asInt());
            } else {
                w.setSql(QStringLiteral(
                    "UPDATE HOJOMST SET HKANA=:HKANA,HNAME=:HNAME,TAX_LCODE=:TAX_LCODE,TAX_RCODE=:TAX_RCODE,"
                    "RTIME=:RTIME,OPCODE=:OPCODE WHERE (KCODE=:KCODE)AND(HCODE=:HCODE)"));
                fb::setDateTime(w, "RTIME", TDateTime::now());
            }
            w.setString("KCODE", kcode);
            w.setString("HCODE", hcode);
            w.setString("HKANA", r.field("HKANA").asString());
            w.setString("HNAME", r.field("HNAME").asString());
            w.setInt("TAX_LCODE", r.field("TAX_LCODE").asInt());
            w.setInt("TAX_RCODE", r.field("TAX_RCODE").asInt());
            w.setInt("OPCODE", SystemDef.OPCODE);
            w.execute();
            if (!local.contains(kcode + u'-' + hcode)) {
                balances.setString("SCODE", firstScode);
                balances.setString("KCODE", kcode);
                balances.setString("HCODE", hcode);
                balances.open();
                balances.close();
            }
            r.next();
        }
        r.close();
        w.setSql(QStringLiteral("UPDATE ACCDEF1 SET HOJO_INS_MODE=:MODE WHERE REC=1"));
        w.setInt("MODE", savedMode);
        w.execute();
    } catch (const std::exception& e) {
        stepFailed(QStringLiteral("「補助科目の取り込み」に失敗しました。 "), e);
        throw;
    }
    return true;
}

bool TCashBookLoaderBox::CarryOverOpeningBalances() {
    if (Origin == 0)
        return true;
    try {
        fb::Query& r = *ReceiveIBSQL1;
        r.setSql((ReceivedMajor < 6
                      ? QStringLiteral("SELECT SCODE,KCODE,HCODE,BCODE,KAISIZAN,KAISIZAN AS "
                                       "KISHU_KOMI,KAISIZAN AS KISHU_NUKI FROM KAMOKU_SZ")
                      : QStringLiteral(
                            "SELECT SCODE,KCODE,HCODE,BCODE,KAISIZAN,KISHU_KOMI,KISHU_NUKI FROM KAMOKU_SZ")) +
                 QStringLiteral(" WHERE KCODE=:KCODE ORDER BY SCODE,KCODE,HCODE,BCODE"));
        r.setString("KCODE", m_cashAccount.KCODE);
        r.open();
        fb::Query& w = *IBSQL2;
        w.setSql(
            QStringLiteral("UPDATE KAMOKU_SZ SET KAISIZAN=0,KISHU_KOMI=:KISHU_KOMI,KISHU_NUKI=:KISHU_NUKI"
                           " WHERE (SCODE=:SCODE)AND(KCODE=:KCODE)AND(HCODE=:HCODE)AND(BCODE=:BCODE)"));
        while (!r.eof()) {
            fb::setMoney(w, "KISHU_KOMI", fb::asMoney(r.field("KISHU_KOMI")).roundUnits(2));
            fb::setMoney(w, "KISHU_NUKI", fb::asMoney(r.field("KISHU_NUKI")).roundUnits(2));
            for (const char* c : {"SCODE", "KCODE", "HCODE", "BCODE"})
                w.setString(c, r.field(c).asString());
            w.execute();
            r.next();
        }
        r.close();
    } catch (const std::exception& e) {
        stepFailed(QStringLiteral("「現金科目の開始残高の取り込み」に失敗しました。 "), e);
        throw;
    }
    return true;
}

bool TCashBookLoaderBox::CompareCashBalance() {
    if (Origin != 0)
        return true;
    try {
        fb::Query& l = *IBSQL1;
        l.setSql(QStringLiteral("SELECT DAC FROM KAMOKUMST WHERE KCODE=:KCODE"));
        l.setString("KCODE", m_cashAccount.KCODE);
        m_cashAccount.DAC = l.openInt("DAC");
        const qint32 dac = m_cashAccount.DAC;
        const bool debit = dac == 1 || dac == 4;
        const bool credit = dac == 2 || dac == 3;
        const auto balance = [&](fb::Query& q, bool received) -> Money {
            Money total;
            q.setSql((received && ReceivedMajor < 6
                          ? QStringLiteral("SELECT SUM(KAISIZAN) AS KAISI_KOMIZAN,SUM(KAISIZAN) AS "
                                           "KAISI_NUKIZAN FROM KAMOKU_SZ")
                          : QStringLiteral("SELECT SUM(KISHU_KOMI) AS KAISI_KOMIZAN,SUM(KISHU_NUKI) AS "
                                           "KAISI_NUKIZAN FROM KAMOKU_SZ")) +
                     QStringLiteral(" WHERE KCODE=:KCODE"));
            q.setString("KCODE", m_cashAccount.KCODE);
            q.open();
            if (!q.eof()) {
                if (AccInf.TAXDEFUH == 0)
                    total = fb::asMoney(q.field("KAISI_KOMIZAN"));
                else if (AccInf.TAXDEFUH == 1)
                    total = fb::asMoney(q.field("KAISI_NUKIZAN"));
            }
            q.close();
            // An account on neither side has no movement query: its balance is the opening one.
            if (!debit && !credit)
                return total.roundUnits(2);
            const QString plus = AccInf.TAXDEFUH == 0 ? QStringLiteral("SUM(%1_NUK+%1_TAX)")
                                                      : QStringLiteral("SUM(%1_NUK-%1_IKKATSU)");
            const QString first = plus.arg(debit ? QStringLiteral("KAR") : QStringLiteral("KAS"));
            const QString second = plus.arg(debit ? QStringLiteral("KAS") : QStringLiteral("KAR"));
            q.setSql(QStringLiteral("SELECT %1-%2 AS ZANDAKA FROM KAMOKU_MS WHERE KCODE=:KCODE")
                         .arg(first, second));
            q.setString("KCODE", m_cashAccount.KCODE);
            q.open();
            while (!q.eof()) {
                total = total + fb::asMoney(q.field("ZANDAKA"));
                q.next();
            }
            q.close();
            return total.roundUnits(2);
        };
        const Money mine = balance(*IBSQL1, false);
        const Money theirs = balance(*ReceiveIBSQL1, true);
        if (mine != theirs)
            addEntry(2, 201,
                     QStringLiteral("本データと出納帳データの間で現金残高の違いが発生しました。前回のデータ送"
                                    "信後に現金取引の追加・訂正を行っていると残高の違いは発生します。"));
    } catch (const std::exception& e) {
        stepFailed(QStringLiteral("「科目残高の比較」に失敗しました。 "), e);
        throw;
    }
    return true;
}

bool TCashBookLoaderBox::CarryOverDictionaries() {
    int count = 0;
    try {
        IBSQL1->setSql(QStringLiteral("SELECT COUNT(TEKCODE) AS RECCNT FROM TEKDIC"));
        count = IBSQL1->openInt("RECCNT");
    } catch (const std::exception& e) {
        stepFailed(QStringLiteral("辞書分類件数の取得」に失敗しました。 "), e);
        throw;
    }
    if (count == 0)
        return true;
    const QString file = ExcludePathDelim(SystemDef.TempDir) + QStringLiteral("/plzjisyo.txt");
    JisyoLoader.Mode = 0;
    JisyoLoader.AllFacilities = true;
    try {
        JisyoLoader.setTransaction(IBTransactionDAT);
        JisyoLoader.SetVersion(QStringLiteral("1.1"));
        JisyoLoader.Export(file);
    } catch (const std::exception& e) {
        stepFailed(QStringLiteral("「摘要・取引先辞書の移行(エクスポート)」に失敗しました。 "), e);
        throw;
    }
    try {
        JisyoLoader.setTransaction(ReceiveIBTransaction);
        JisyoLoader.SetVersion(QStringLiteral("1.1"));
        JisyoLoader.Import(file);
    } catch (const std::exception& e) {
        stepFailed(QStringLiteral("「摘要・取引先辞書の移行(インポート)」に失敗しました。 "), e);
        throw;
    }
    return true;
}

bool TCashBookLoaderBox::CarryOverDataListName() {
    try {
        IBSQL1->setSql(QStringLiteral("SELECT ENTTEXT,DATALOCK FROM ACCDEF1 WHERE REC=1"));
        IBSQL1->open();
        const QString enttext = IBSQL1->eof() ? QString() : IBSQL1->field("ENTTEXT").asString();
        const int datalock = IBSQL1->eof() ? 0 : IBSQL1->field("DATALOCK").asInt();
        IBSQL1->close();
        const bool readOnlyColumn = IsVersionAtLeast(
            QStringLiteral("%1.%2.%3").arg(ReceivedMajor).arg(ReceivedMinor1).arg(ReceivedMinor2),
            QStringLiteral("12.0.0"));
        fb::Query& w = *ReceiveIBSQL2;
        w.setSql(
            QStringLiteral("UPDATE ACCDEF1 SET "
                           "ENTTEXT=:ENTTEXT,PASWORD=:PASWORD,WEB_HOLDER=:WEB_HOLDER,DATALOCK=:DATALOCK") +
            (readOnlyColumn ? QStringLiteral(",READ_ONLY=0") : QString()) + QStringLiteral(" WHERE REC=1"));
        w.setString("ENTTEXT", enttext);
        w.setString("PASWORD", QString());
        w.setString("WEB_HOLDER", QString());
        w.setInt("DATALOCK", datalock);
        w.execute();
    } catch (const std::exception& e) {
        stepFailed(QStringLiteral("「データリスト名称の更新」に失敗しました。 "), e);
        throw;
    }
    return true;
}

// ---- cash journal merge

fb::Query& TCashBookLoaderBox::prepared(fb::Transaction& transaction, const QString& sql) {
    std::unique_ptr<fb::Query>& q = m_prepared[sql];
    if (!q)
        q = std::make_unique<fb::Query>(transaction, sql);
    return *q;
}

TSiwakeInfo TCashBookLoaderBox::searchLocal(const QString& where,
                                            const std::function<void(fb::Query&)>& bind) {
    fb::Query& q = prepared(
        IBTransactionDAT,
        QStringLiteral(
            "SELECT COUNT(REC) AS RECCNT,REC,SWKNO,LINKREC,RESERVE1,RESERVE2,DELFLG FROM SIWAKE ") +
            where + QStringLiteral(" GROUP BY REC,SWKNO,LINKREC,RESERVE1,RESERVE2,DELFLG ORDER BY REC"));
    bind(q);
    q.open();
    TSiwakeInfo info;
    if (!q.eof()) {
        info.Found = true;
        info.REC = q.field("REC").asInt();
        info.SWKNO = q.field("SWKNO").asInt();
        info.LINKREC = q.field("LINKREC").asInt();
        info.RESERVE1 = q.field("RESERVE1").asInt();
        info.RESERVE2 = q.field("RESERVE2").asInt();
        info.DELFLG = q.field("DELFLG").asInt();
    }
    q.close();
    return info;
}

TSiwakeInfo TCashBookLoaderBox::FindLocalJournal(const ReceivedRow& row) {
    if (row.RESERVE1 == 0) {
        TSiwakeInfo info = searchLocal(QStringLiteral("WHERE (DELFLG IN (0,1)) AND (RESERVE1=:RESERVE1)"),
                                       [&](fb::Query& q) { q.setInt("RESERVE1", row.REC); });
        if (info.Found)
            return info;
        // The row's number may have changed on the cash-book side: any received row of the same
        // journal number can be the one the local entry was linked to. Each number is bound on its own.
        std::vector<qint32> recs;
        fb::Query& r =
            prepared(ReceiveIBTransaction,
                     QStringLiteral("SELECT REC FROM SIWAKE WHERE (TAISHAKU=1) AND (SWKNO=:SWKNO)"));
        r.setInt("SWKNO", row.SWKNO);
        r.open();
        while (!r.eof()) {
            recs.push_back(r.field("REC").asInt());
            r.next();
        }
        r.close();
        TSiwakeInfo best;
        for (const qint32 rec : recs) {
            const TSiwakeInfo found =
                searchLocal(QStringLiteral("WHERE (DELFLG IN (0,1)) AND (RESERVE1=:RESERVE1)"),
                            [&](fb::Query& q) { q.setInt("RESERVE1", rec); });
            if (found.Found && (!best.Found || found.REC < best.REC))
                best = found;
        }
        return best;
    }
    TSiwakeInfo info =
        searchLocal(QStringLiteral("WHERE (DELFLG IN (0,1)) AND (LINKKEY=:LINKKEY AND LINKKUB=:LINKKUB)"),
                    [&](fb::Query& q) {
                        q.setString("LINKKEY", QString::number(row.RESERVE1));
                        q.setInt("LINKKUB", 10);
                    });
    if (info.Found)
        return info;
    return searchLocal(
        QStringLiteral(
            "WHERE (DELFLG IN (0,1)) AND (TAISHAKU=1) AND (SWKNO=(SELECT SWKNO FROM SIWAKE WHERE REC=:REC))"),
        [&](fb::Query& q) { q.setInt("REC", row.RESERVE1); });
}

bool TCashBookLoaderBox::ReceivedIsNewer(const TSiwakeInfo& local, const ReceivedRow& row) const {
    if (local.RESERVE1 == 0)
        return row.LINKREC > 0;
    if (row.LINKREC > 0 && row.RESERVE1 == 0)
        return true;
    if (row.LINKREC <= 0)
        return false;
    return local.RESERVE2 < row.LINKREC;
}

void TCashBookLoaderBox::ReviveJournal(TSWKREC& entry, const TSiwakeInfo& local, const ReceivedRow& row) {
    SiwakeWriter.RestoreSiwake(entry.SWKREC);
    fb::Query& w = prepared(
        IBTransactionDAT,
        QStringLiteral("UPDATE SIWAKE SET LINKKEY=:LINKKEY,LINKKUB=:LINKKUB WHERE (SWKREC=:SWKREC)"));
    w.setString("LINKKEY", QString::number(row.RESERVE1));
    w.setInt("LINKKUB", 10);
    w.setInt("SWKREC", entry.SWKREC);
    w.execute();
    SiwakeWriter.GetSiwake(entry, local.REC, false);
}

void TCashBookLoaderBox::FillJournal(TSWKREC& entry, const ReceivedRow& row) {
    const TSWKREC& d = row.data;
    entry.HIZUKE = d.HIZUKE;
    entry.MNUM = 0;
    entry.KESSAN = d.KESSAN;
    entry.DNUM = d.DNUM;
    entry.SNUM = d.SNUM;
    entry.SCODE = d.SCODE;
    const auto side = [](TSwkBalance& to, const TSwkBalance& from, qint32 rate) {
        to = TSwkBalance{};
        to.KGROUP = from.KGROUP;
        to.KCODE = from.KCODE;
        to.HCODE = from.HCODE;
        to.BCODE = from.BCODE;
        to.TAXCODE = from.TAXCODE;
        to.RateKind = rate;
    };
    side(entry.L, d.L, d.OLDRATE);
    side(entry.R, d.R, d.OLDRATE);
    entry.KINGAKU = d.KINGAKU.roundUnits(2);
    entry.ZEIGAKU = d.ZEIGAKU.roundUnits(2);
    entry.L.NUK = entry.R.NUK = entry.KINGAKU;
    entry.ZEIRITUNO = d.ZEIRITUNO;
    entry.AUTCALCU = d.AUTCALCU;
    entry.TAXCALCU = d.TAXCALCU;
    entry.OLDRATE = d.OLDRATE;
    entry.TEKTEXT = d.TEKTEXT;
    entry.TORTEXT = d.TORTEXT;
    entry.FUSEN1 = d.FUSEN1;
    entry.FUSEN2 = d.FUSEN2;
    entry.COMMENT = d.COMMENT;
    entry.AO_COMMENT = d.AO_COMMENT;
    entry.RTIME = TDateTime::now();
    entry.OPCODE = SystemDef.OPCODE;

    m_logLine = LogLine{};
    m_logLine.SwkNo = entry.SWKREC;
    m_logLine.Date = d.HIZUKE.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    m_logLine.Partner = row.KCODE != m_cashAccount.KCODE ? row.KNAME : row.R_KNAME;
    m_logLine.Description = TrimZenkaku(d.TEKTEXT);
    if (m_logLine.Description.isEmpty())
        m_logLine.Description = QStringLiteral("－");
    m_logLine.Amount = groupedUnits(d.KINGAKU.roundUnits(2).truncUnits());
}

void TCashBookLoaderBox::MarkJournal(const TSWKREC& entry, const ReceivedRow& row) {
    fb::Query& w = prepared(
        IBTransactionDAT,
        QStringLiteral("UPDATE SIWAKE SET RESERVE1=:RESERVE1,RESERVE2=:RESERVE2 WHERE (SWKREC=:SWKREC)"));
    w.setInt("RESERVE1", entry.RESERVE1 > 0 ? entry.RESERVE1 : row.REC);
    w.setInt("RESERVE2", row.LINKREC);
    w.setInt("SWKREC", entry.SWKREC);
    w.execute();
}

int TCashBookLoaderBox::WriteJournal(TSWKREC& entry, const ReceivedRow& row, QString& message) {
    int code = 0;
    if (!SiwakeWriter.TestSiwake(entry, code, message))
        return -1;
    CalcSiwakeTax(entry);
    if (entry.L.ZEI.isZero() && entry.R.ZEI.isZero())
        entry.TAXCALCU = 2;
    entry.LOCALFLG = 10;
    // Rows the writer writes new (a new entry, or the new pair of a correction) take the link columns
    // MarkJournal would set straight away. The correction procedure reads the passed RESERVE1, so it is
    // passed changed only for a new entry; an entry corrected in place is marked afterwards.
    const bool insert = entry.REC == 0;
    const qint32 oldSwkrec = entry.SWKREC;
    const bool linked = insert || entry.RESERVE1 > 0;
    if (linked) {
        entry.RESERVE1 = entry.RESERVE1 > 0 ? entry.RESERVE1 : row.REC;
        entry.RESERVE2 = row.LINKREC;
    }
    const int result = SiwakeWriter.PutSiwake(entry);
    if (result < 0) {
        message = result == -1 ? QStringLiteral("仕訳は他の処理で削除されています。")
                               : QStringLiteral("仕訳は他の処理で訂正されています。");
        return result;
    }
    if (!linked || (!insert && entry.SWKREC == oldSwkrec))
        MarkJournal(entry, row);
    m_logLine.SwkNo = entry.SWKREC;
    return result;
}

void TCashBookLoaderBox::LogJournalResult(qint32 code, const QString& reason) {
    if (code > 0)
        addEntry(2, code,
                 QStringLiteral("(仕訳番号:%1 日付:%2 相手科目:%3 摘要:%4 金額:%5) %6")
                     .arg(QString::number(m_logLine.SwkNo), m_logLine.Date, m_logLine.Partner,
                          m_logLine.Description, m_logLine.Amount, reason));
    else if (code < 0)
        addEntry(
            3, code,
            QStringLiteral("(仕訳番号:-  日付:%1 相手科目:%2 摘要:%3 金額:%4) %5")
                .arg(m_logLine.Date, m_logLine.Partner, m_logLine.Description, m_logLine.Amount, reason));
}

bool TCashBookLoaderBox::MergeCashJournals() {
    try {
        SiwakeWriter.MessageMode = 1;
        SiwakeWriter.OwnTransaction = 0;
        SiwakeWriter.SetTransaction(IBTransactionDAT);
        QString usual;
        IBSQL1->setSql(QStringLiteral("SELECT SCODE FROM OPDEFSISETU WHERE OPCODE=:OPCODE"));
        IBSQL1->setInt("OPCODE", SystemDef.OPCODE);
        IBSQL1->open();
        usual = IBSQL1->eof() ? QStringLiteral(" ") : IBSQL1->field("SCODE").asString();
        IBSQL1->close();
        if (usual.isEmpty())
            usual = QStringLiteral(" ");
        SiwakeWriter.SetKamokuArray(usual);

        fb::Query& r = *ReceiveIBSQL1;
        r.setSql(
            QStringLiteral("SELECT SWK.*,K1.USERCODE AS USERCODE,K2.USERCODE AS R_USERCODE FROM SIWAKE SWK"
                           " INNER JOIN KAMOKUMST K1 ON(SWK.KCODE=K1.KCODE)"
                           " INNER JOIN KAMOKUMST K2 ON(SWK.R_KCODE=K2.KCODE)"
                           " WHERE (SWK.DELFLG IN (0,1)) AND (SWK.TAISHAKU=1) AND ((SWK.KCODE=:KCODE OR "
                           "SWK.R_KCODE=:R_KCODE) OR (SWK.LINKREC>0))"
                           " ORDER BY SWK.HIZUKE,SWK.KESSAN,SWK.SWKNO"));
        r.setString("KCODE", m_cashAccount.KCODE);
        r.setString("R_KCODE", m_cashAccount.KCODE);
        r.open();
        while (!r.eof()) {
            ReceivedRow row;
            TSWKREC& d = row.data;
            TSiwakeWrite::ReadSiwake(r, d);
            row.REC = d.REC;
            row.SWKNO = d.SWKNO;
            row.DELFLG = d.DELFLG;
            row.RESERVE1 = d.RESERVE1;
            row.LINKREC = d.LINKREC;
            row.SCODE = d.SCODE;
            row.KCODE = r.field("KCODE").asString(); // the account itself, not its user code
            row.KNAME = d.L.KNAME;
            row.R_KNAME = d.R.KNAME;
            r.next();

            if (row.SCODE != SiwakeWriter.KamokuScode)
                SiwakeWriter.SetKamokuArray(row.SCODE);
            const bool live = row.DELFLG == 0;
            if (row.RESERVE1 < 0)
                continue;
            const TSiwakeInfo local = FindLocalJournal(row);
            if (live) { // categories 1 and 3
                TSWKREC entry;
                SiwakeWriter.InitSiwakeRec(entry, d.KESSAN, d.HIZUKE);
                if (local.Found) {
                    if (!ReceivedIsNewer(local, row)) {
                        if (local.RESERVE1 == 0) {
                            SiwakeWriter.GetSiwake(entry, local.REC, false);
                            MarkJournal(entry, row);
                        }
                        continue;
                    }
                    SiwakeWriter.GetSiwake(entry, local.REC, false);
                    if (local.Deleted())
                        ReviveJournal(entry, local, row);
                }
                FillJournal(entry, row);
                QString message;
                const int result = WriteJournal(entry, row, message);
                if (result < 0)
                    LogJournalResult(-111, message);
                else if (result == 0 && local.Found && (local.Deleted() || entry.REC != local.REC))
                    LogJournalResult(11, QStringLiteral("受信データの訂正仕訳が優先されました。"));
            } else if (local.Found && !local.Deleted()) { // categories 2 and 4
                TSWKREC entry;
                SiwakeWriter.GetSiwake(entry, local.REC, false);
                FillJournal(entry, row);
                m_logLine.SwkNo = entry.SWKREC;
                SiwakeWriter.DeleteSiwake(entry.SWKREC);
                MarkJournal(entry, row);
                LogJournalResult(12, QStringLiteral("受信データの削除仕訳が優先されました。"));
            }
        }
        r.close();
    } catch (const std::exception& e) {
        stepFailed(QStringLiteral("「現金仕訳の取り込み」に失敗しました。 "), e);
        throw;
    }
    return ImportResult >= 0;
}
