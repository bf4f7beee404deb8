#include "datasel/z5FileOperationDlg.h"

#include "controls/SafeCall.h"
#include "controls/xEdit.h"
#include "core/DialogRegistry.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "ui_z5FileOperationDlg.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kHistoryLines = 8;

QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString nameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

int indexOfText(const QStringList& list, const QString& text) {
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i].compare(text, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

} // namespace

TFileOperationBox::TFileOperationBox(QWidget* owner) : TFileOperationBox(owner, NoForm{}) {
    ui = std::make_unique<Ui::TFileOperationBox>();
    ui->setupUi(this);
    useControls({ui->lblMessage, ui->lblPlace, ui->cmbPlace, ui->btnBrowse, ui->btnHistoryDelete,
                 ui->lblFileName, ui->edtFileName, ui->btnOK, ui->btnCancel});
    FormCreate();
    SetupDone = true;
}

TFileOperationBox::TFileOperationBox(QWidget* owner, NoForm) : TBSDI(owner, bsDialog) {
    SaveFormSize = false;
    KeepOnClose = true;
    HistoryDir = SystemDef.IniDir;
}

TFileOperationBox::~TFileOperationBox() = default;

void TFileOperationBox::useControls(const Controls& c) {
    m_message = c.message;
    m_placeLabel = c.placeLabel;
    m_place = c.place;
    m_browse = c.browse;
    m_historyDelete = c.historyDelete;
    m_fileNameLabel = c.fileNameLabel;
    m_fileName = c.fileName;
    m_ok = c.ok;
    m_cancel = c.cancel;
    MessageColor = fromQColor(palette().color(QPalette::WindowText));
    ExecuteButton = m_ok;
    m_place->view()->setMinimumWidth(Scaled(500));
    connect(m_ok, &QPushButton::clicked, this, [this] { guarded([this] { btnOKClick(); }); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { done(ui::mrCancel); });
    connect(m_browse, &QPushButton::clicked, this, [this] { guarded([this] { btnBrowseClick(); }); });
    connect(m_historyDelete, &QPushButton::clicked, this,
            [this] { guarded([this] { btnHistoryDeleteClick(); }); });
}

QString TFileOperationBox::HistoryPath() const {
    return ExcludePathDelim(HistoryDir) + u'/' + HistoryFile;
}

void TFileOperationBox::Setup(int mode) {
    Mode = mode;
    RefreshView();
    Shown = false;
}

void TFileOperationBox::RefreshView() {
    SetHints();
    const bool fileKind = FileKind == OpenFile || FileKind == SaveFile;
    m_fileNameLabel->setVisible(fileKind);
    m_fileName->setVisible(fileKind);
    m_fileName->setText(fileKind ? DefaultFileName : QString());
    m_historyDelete->setVisible(UseHistory);
    setWindowTitle(CaptionText);
    m_message->setText(MessageText);
    QPalette pal = m_message->palette();
    pal.setColor(QPalette::WindowText, toQColor(MessageColor, palette()));
    m_message->setPalette(pal);
    m_placeLabel->setText(PlaceLabel);
    m_place->clear();
    loadHistory();
    m_place->addItems(History);
    if (!DefaultFolder.isEmpty() && indexOfText(History, DefaultFolder) < 0)
        m_place->addItem(DefaultFolder);
    m_place->setCurrentIndex(m_place->count() > 0 ? 0 : -1);
}

void TFileOperationBox::SetHints() {
    SetHint(m_place, PlaceHint);
    SetHint(m_browse, PlaceHint);
    SetHint(m_historyDelete, QStringLiteral("履歴を削除します。|履歴を削除します。"));
    SetHint(m_fileName, FileNameHint);
    SetHint(m_ok, QStringLiteral("処理を確定します。"));
    SetHint(m_cancel, QStringLiteral("処理をキャンセルします。"));
}

void TFileOperationBox::ShowingChanged(bool Visible) {
    TBSDI::ShowingChanged(Visible);
    if (!Visible || CloseWhenSetupFailed())
        return;
    m_place->setFocus();
    ShowNormalCursor();
}

void TFileOperationBox::loadHistory() {
    History.clear();
    if (HistoryDir.isEmpty() || HistoryFile.isEmpty() || HistorySection.isEmpty())
        return;
    QString text;
    ReadIniSectionText(HistoryPath(), HistorySection, text);
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0)
            History << line.mid(eq + 1);
    }
}

void TFileOperationBox::saveHistory() {
    const QString current = m_place->currentText();
    const int found = indexOfText(History, current);
    if (found >= 0)
        History.move(found, 0);
    else
        History.prepend(current);
    QStringList lines;
    for (int i = 0; i < History.size() && i < kHistoryLines; ++i)
        lines << QStringLiteral("HIST%1=%2").arg(i + 1).arg(History[i]);
    ForceFolder(HistoryDir);
    WriteIniSection(HistoryPath(), HistorySection, lines);
}

void TFileOperationBox::selectPlace(const QString& folder) {
    const int found = m_place->findText(folder, Qt::MatchFixedString);
    if (found >= 0) {
        m_place->setCurrentIndex(found);
        return;
    }
    m_place->insertItem(0, folder);
    m_place->setCurrentIndex(0);
}

void TFileOperationBox::btnBrowseClick() {
    if (FileKind == ReadFolder || FileKind == WriteFolder) {
        QString folder = m_place->currentText();
        if (SelectFolderDlg(QStringLiteral("フォルダの選択"), folder))
            selectPlace(ExcludePathDelim(folder));
        return;
    }
    const QString start = ExcludePathDelim(m_place->currentText()) + u'/' + TrimZenkaku(m_fileName->text());
    ui::FileRequest request;
    request.caption = QStringLiteral("ファイルの選択");
    request.filter = QStringLiteral("すべてのﾌｧｲﾙ(*.*) (*)");
    if (!FilterDesc.isEmpty() && !DefaultExt.isEmpty())
        request.filter =
            QStringLiteral("%1 (*.%2 *.%3);;").arg(FilterDesc, DefaultExt.toLower(), DefaultExt.toUpper()) +
            request.filter;
    request.defaultExt = DefaultExt;
    QString chosen;
    if (FileKind == OpenFile) {
        request.folder = DefaultFolder;
        if (QFileInfo(start).isFile())
            request.fileName = start;
        else
            request.folder = m_place->currentText();
        chosen = ui::current().pickOpenFile(request);
    } else {
        request.folder = m_place->currentText();
        request.fileName = start;
        if (!ExecuteFileDlgUAC(FileDlgKind::Save, request, chosen))
            chosen.clear();
    }
    if (chosen.isEmpty())
        return;
    selectPlace(folderOf(chosen));
    m_fileName->setText(nameOf(chosen));
}

void TFileOperationBox::btnHistoryDeleteClick() {
    if (ui::showMessage(ui::MsgKind::Confirmation, QStringLiteral("履歴を削除します。よろしいですか？"),
                        ui::mbOK | ui::mbCancel) != ui::mrOk)
        return;
    const QString current = m_place->currentText();
    m_place->clear();
    m_place->addItem(current);
    m_place->setCurrentIndex(0);
    History.clear();
    saveHistory();
}

void TFileOperationBox::btnOKClick() {
    acceptChoice();
}

bool TFileOperationBox::acceptChoice() {
    setResult(0);
    const bool fileKind = FileKind == OpenFile || FileKind == SaveFile;
    const QString name = TrimZenkaku(m_fileName->text());
    if (fileKind && name.isEmpty()) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("ファイル名を入力または[参照]ボタンより選択して下さい。\r"));
        return false;
    }
    QString folder = m_place->currentText();
    if (!CheckSaveFolderUAC(folder))
        return false;
    ResultPath = fileKind ? ExcludePathDelim(folder) + u'/' + name : ExcludePathDelim(folder);
    if (UseHistory)
        saveHistory();
    done(ui::mrOk);
    return true;
}
