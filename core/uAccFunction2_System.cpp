#include "core/uAccFunction2_System.h"

#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/IniFile.h"
#include "platform/ShellFileOps.h"
#include "platform/SpecialFolders.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontMetrics>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QSysInfo>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <filesystem>
#include <pwd.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const QString kUacQuestion =
    QStringLiteral("この場所に保存するアクセス許可がありません。\r管理者に連絡してアクセス許可を"
                   "取得してください。\r\r代わりに［ドキュメント］フォルダに保存しますか？\r");

// Folders of the operating system that no operation of this program may remove or write over.
const char* const kSystemFolders[] = {"/bin",   "/boot",   "/dev",   "/etc", "/home", "/lib",  "/lib32",
                                      "/lib64", "/libx32", "/media", "/mnt", "/opt",  "/proc", "/root",
                                      "/run",   "/sbin",   "/srv",   "/sys", "/tmp",  "/usr",  "/var"};

QStringList protectedFolders() {
    QStringList list{QStringLiteral("/"), GetSystemDir()};
    for (const char* f : kSystemFolders)
        list << QLatin1String(f);
    list << specialfolders::home() << specialfolders::documents() << specialfolders::commonAppData()
         << specialfolders::programDir() << GetSpecialDir(QStringLiteral("desktop")) << SystemDef.DataRoot
         << specialfolders::commonAppData() + u'/' + HomeDirName;
    return list;
}

// True when the canonical path is the folder or one that holds it; case is ignored, as it is for
// stored paths, so that a differently written path cannot slip through.
bool coversFolder(const QString& canonical, const QString& folder) {
    if (canonical == QStringLiteral("/"))
        return true;
    return folder.compare(canonical, Qt::CaseInsensitive) == 0 ||
           folder.startsWith(canonical + u'/', Qt::CaseInsensitive);
}

bool isSystemRoot(const QString& folder) {
    return shellfileops::canonicalPath(folder) == GetSystemDriveRoot();
}

// The UAC question: true when the operator answers Yes.
bool askSaveToDocuments() {
    return ui::showMessage(ui::MsgKind::Warning, kUacQuestion, ui::mbYes | ui::mbNo) == ui::mrYes;
}

QString folderPartOf(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString namePartOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

// ---- standard folders and paths ------------------------------------------------------------------

QString GetSystemDir() {
    // The system's own programs, as the Windows system folder holds them.
    return QStringLiteral("/usr/bin");
}

QString GetSystemDriveRoot() {
    return QStringLiteral("/");
}

QString GetMyDocumentsDir() {
    const QString dir = specialfolders::documents();
    return dir.isEmpty() ? specialfolders::programDir() : dir;
}

QString GetAppDataDir(bool common) {
    // Linux keeps one data folder per user; it serves as both the common and the user's folder.
    (void)common;
    const QString dir = specialfolders::commonAppData();
    return dir.isEmpty() ? specialfolders::programDir() : dir;
}

QString GetSpecialDir(const QString& word) {
    const QString w = word.toLower();
    QString dir;
    if (w == QStringLiteral("desktop"))
        dir = QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    else if (w == QStringLiteral("mydocument"))
        dir = specialfolders::documents();
    return dir.isEmpty() || dir == QStringLiteral(".") ? specialfolders::programDir() : dir;
}

QString GetTempDir(const QString& def) {
    const QString dir = specialfolders::temp();
    return QFileInfo(dir).isDir() ? dir : def;
}

QString ExcludePathDelim(const QString& path) {
    // "/" is the whole root, not a delimiter to drop: without it the path would name nothing.
    if (path.endsWith(u'/') && path != QStringLiteral("/"))
        return path.chopped(1);
    return path;
}

QString IncludePathDelim(const QString& path) {
    return path.endsWith(u'/') ? path : path + u'/';
}

bool ForceFolder(const QString& path) {
    if (path.trimmed().isEmpty())
        return false;
    if (QFileInfo(path).isDir())
        return true;
    return QDir().mkpath(path);
}

QString GetShortPath(const QString& path) {
    // Linux has no short names: an existing path is its own short form.
    if (path.isEmpty() || !QFileInfo::exists(path))
        throw std::runtime_error("ファイルが見つかりません。");
    return path;
}

QString GetUNCPath(const QString& path) {
    // Network shares are mounted into the one file tree; there are no drive letters to translate.
    return path;
}

QStringList GetSubFolders(const QString& folder, int mode) {
    if (folder.trimmed().isEmpty() || !QFileInfo(folder).isDir())
        return {};
    QStringList out;
    const QStringList names = QDir(folder).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& name : names)
        out << (mode == 1 ? name : IncludePathDelim(folder) + name);
    return out;
}

qint64 GetFileSize64(const QString& path) {
    std::error_code ec;
    const fs::path p(QFile::encodeName(path).toStdString());
    if (!fs::exists(p, ec))
        return ec ? -1 : 0;
    const auto size = fs::file_size(p, ec);
    return ec ? -1 : static_cast<qint64>(size);
}

// ---- guarded shell operations ------------------------------------------------------------------

bool IsSafeFolder(const QString& path) {
    if (path.trimmed().isEmpty())
        return false;
    QString judged = path;
    if (shellfileops::hasPattern(path)) {
        const qsizetype slash = path.lastIndexOf(u'/');
        judged = slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : path.left(slash);
    }
    const QString canonical = shellfileops::canonicalPath(judged);
    if (canonical.isEmpty())
        return false;
    for (const QString& folder : protectedFolders()) {
        if (folder.trimmed().isEmpty())
            continue;
        if (coversFolder(canonical, shellfileops::canonicalPath(folder)))
            return false;
    }
    return true;
}

bool ShellFolderOp(const QString& path, int operation, bool allowUndo, bool showErrors) {
    if (operation != FO_DELETE)
        return false;
    try {
        if (!IsSafeFolder(path)) {
            ShowCommaMessage(
                QStringLiteral("ルート・システムディレクトリは、削除できません。<%1> ").arg(path),
                ui::MsgKind::Error);
            return false;
        }
        QString error;
        if (shellfileops::remove(path, allowUndo, &error))
            return true;
        if (showErrors)
            ui::showError(error);
    } catch (const std::exception& e) {
        if (showErrors)
            ui::showError(QString::fromUtf8(e.what()));
    }
    return false;
}

bool ShellFolderCopyMove(const QString& from, const QString& to, int operation) {
    if (operation != FO_MOVE && operation != FO_COPY)
        return false;
    try {
        if (!IsSafeFolder(from) || !IsSafeFolder(to)) {
            ShowCommaMessage(
                QStringLiteral("指定ディレクトリ[%1->%2]の複写・移動はできません。 ").arg(from, to),
                ui::MsgKind::Error);
            return false;
        }
        QString error;
        const bool ok = operation == FO_COPY ? shellfileops::copy(from, to, &error)
                                             : shellfileops::move(from, to, &error);
        if (!ok)
            ui::showError(error);
        return ok;
    } catch (const std::exception& e) {
        ui::showError(QString::fromUtf8(e.what()));
    }
    return false;
}

bool CopyFileTo(const QString& source, const QString& target) {
    std::error_code ec;
    fs::copy_file(QFile::encodeName(source).toStdString(), QFile::encodeName(target).toStdString(),
                  fs::copy_options::overwrite_existing, ec);
    return !ec;
}

// ---- pickers -----------------------------------------------------------------------------------

bool IsUacEnabled() {
    QVariant v;
    ReadRegValue(registry::Root::LocalMachine,
                 QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System"),
                 QStringLiteral("EnableLUA"), v);
    bool ok = false;
    return v.toInt(&ok) == 1 && ok;
}

bool SelectFolderDlg(const QString& title, QString& folder, bool skipUacCheck, const QString& root) {
    const bool uac = !skipUacCheck && IsUacEnabled();
    for (;;) {
        ui::FileRequest request;
        request.caption = title.isEmpty() ? QStringLiteral("フォルダを選択して下さい") : title;
        request.folder = folder.isEmpty() ? root : folder;
        const QString chosen = ui::current().pickFolder(request);
        if (chosen.isEmpty())
            return false;
        folder = chosen;
        if (cp932::byteLength(folder) > 255) {
            ui::showError(QStringLiteral(
                "選択した場所(パス)の文字長が処理できる範囲を超えました。\r別の場所を選択して下さい。\r"));
            return false;
        }
        if (!uac || !isSystemRoot(folder))
            return true;
        if (askSaveToDocuments()) {
            folder = GetMyDocumentsDir();
            return true;
        }
    }
}

bool SelectComputerDlg(const QString& title, QString& computer) {
    // There is no network neighbourhood to browse: the operator names the computer.
    ui::InputRequest request;
    request.caption = QStringLiteral("コンピュータを選択して下さい");
    request.prompt = title.isEmpty() ? request.caption : title;
    const std::optional<QString> name = ui::current().input(request);
    if (!name || name->trimmed().isEmpty())
        return false;
    computer = name->trimmed();
    return true;
}

bool ExecuteFileDlgUAC(FileDlgKind kind, const ui::FileRequest& dialog, QString& fileName) {
    const bool uac = IsUacEnabled();
    for (;;) {
        const QString chosen = kind == FileDlgKind::Open ? ui::current().pickOpenFile(dialog)
                                                         : ui::current().pickSaveFile(dialog);
        if (chosen.isEmpty())
            return false;
        fileName = chosen;
        if (!uac || !isSystemRoot(IncludePathDelim(folderPartOf(chosen))))
            return true;
        if (askSaveToDocuments()) {
            fileName = QStringLiteral("%1/%2").arg(GetMyDocumentsDir(), namePartOf(chosen));
            return true;
        }
    }
}

bool CheckSaveFolderUAC(QString& folder) {
    folder = IncludePathDelim(folder);
    if (!IsUacEnabled() || !isSystemRoot(folder))
        return true;
    if (!askSaveToDocuments())
        return false;
    folder = GetMyDocumentsDir();
    return true;
}

bool CheckSaveFileUAC(QString& fileName) {
    QString folder = folderPartOf(fileName);
    if (!CheckSaveFolderUAC(folder))
        return false;
    fileName = IncludePathDelim(folder) + namePartOf(fileName);
    return true;
}

// ---- system and windows --------------------------------------------------------------------------

QString GetPCName() {
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("PCNAME-ERROR") : name;
}

QString GetLoginUserName() {
    if (const passwd* pw = getpwuid(geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

int GetOSMajorVersion() {
    return QSysInfo::kernelVersion().section(u'.', 0, 0).toInt();
}

void ForceForegroundWindow(QWidget* window) {
    // Qt asks the window manager for the focus; borrowing another thread's input, as Windows needs,
    // has no counterpart.
    if (!window)
        return;
    window->raise();
    window->activateWindow();
}

void PurgeInputMessages(QWidget* window) {
    if (!window)
        return;
    static const QEvent::Type kInput[] = {
        QEvent::MouseMove, QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
        QEvent::Wheel,     QEvent::KeyPress,         QEvent::KeyRelease};
    // Input reaches the child that has the focus or the mouse, so the window's children count as the window.
    QList<QObject*> receivers{window};
    for (QWidget* child : window->findChildren<QWidget*>())
        receivers << child;
    for (QObject* r : receivers)
        for (QEvent::Type t : kInput)
            QCoreApplication::removePostedEvents(r, t);
}

bool WaitMSec(int msec) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < msec) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(1);
    }
    return true;
}

void StartChildTool(QProcess& process, const QString& program, const QStringList& arguments) {
    const pid_t parent = getpid();
    // Runs in the child between fork and exec: only async-signal-safe calls. The death signal follows
    // the thread that forks; every tool is waited for on the thread that started it.
    process.setChildProcessModifier([parent] {
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
            _exit(127); // the program ended before the signal was armed
    });
    process.start(program, arguments);
}

void WaitForChildProcess(QProcess& process) {
    while (process.state() != QProcess::NotRunning) {
        if (!QCoreApplication::instance()) {
            process.waitForFinished(-1);
            continue;
        }
        // Looks again at least every 300 ms, so an end noticed while other events ran is never missed.
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        if (process.state() == QProcess::NotRunning)
            break;
        loop.exec();
    }
}

int ScalePPI(int value, int toPPI, int fromPPI) {
    if (fromPPI == 0) {
        // There is no main form: the forms take the logical resolution of the screen they start on.
        const QScreen* screen = QGuiApplication::primaryScreen();
        fromPPI = screen ? qRound(screen->logicalDotsPerInch()) : 96;
    }
    if (fromPPI == toPPI || fromPPI == 0)
        return value;
    return static_cast<int>(static_cast<qint64>(value) * toPPI / fromPPI);
}

int SizableFrameHeight() {
    // Qt sizes a window's client area and the window manager draws the frame outside it, so no frame
    // eats into the height: the thickness at which no correction applies.
    return 4;
}

int MenuBarHeight() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 0;
    const QStyle* style = QApplication::style();
    return QFontMetrics(QApplication::font("QMenuBar")).height() +
           2 * (style->pixelMetric(QStyle::PM_MenuBarVMargin) +
                style->pixelMetric(QStyle::PM_MenuBarPanelWidth));
}

int CaptionHeight() {
    // The window manager's own caption lies outside the window; this is the style's caption height.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 0;
    return QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
}

int AdjustForFrameSize(int height, int mode, int frameHeight) {
    if (frameHeight <= 4)
        return height;
    if (mode == 0)
        return height - 2 * (frameHeight - 4);
    if (mode == 1)
        return height - 4 * (frameHeight - 4);
    return height;
}

// ---- registry and ini files ----------------------------------------------------------------------

void ReadRegValue(registry::Root root, const QString& keyPath, const QString& name, QVariant& result) {
    result = QVariant(0);
    if (name.compare(QStringLiteral("EnableLUA"), Qt::CaseInsensitive) == 0 && GetOSMajorVersion() < 6)
        return;
    const registry::Value v = registry::readValue(root, keyPath, name);
    if (v.type == registry::ValueType::Integer)
        result = v.integer;
    else if (v.type == registry::ValueType::Text)
        result = v.text;
}

void WriteIniKey(const QString& file, const QString& section, const QString& key, bool erase,
                 const QVariant& value) {
    IniFile ini(file);
    if (erase)
        ini.deleteKey(section, key);
    else
        ini.writeString(section, key, value.toString());
    QThread::msleep(10);
}

void ReadIniSectionText(const QString& file, const QString& section, QString& text) {
    if (file.isEmpty() || section.isEmpty())
        return;
    QStringList lines;
    for (const auto& [name, value] : IniFile(file).sectionValues(section))
        lines << name + u'=' + value;
    text = lines.join(QStringLiteral("\r\n"));
}

void WriteIniSection(const QString& file, const QString& section, const QStringList& lines) {
    if (file.isEmpty() || section.isEmpty())
        return;
    IniFile ini(file, false);
    ini.eraseSection(section);
    QStringList written;
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString name = line.left(eq);
        if (written.contains(name, Qt::CaseInsensitive))
            continue;
        written << name;
        ini.writeString(section, name, line.mid(eq + 1));
    }
    ini.save();
}

QWidget* FindWindowByClass(const QString& className, const QString& title) {
    // The desktop's icon view belongs to the Windows shell; no window of ours stands for it.
    if (className.toLower() == QStringLiteral("desktop"))
        return nullptr;
    if (className.isEmpty() && title.isEmpty())
        return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!className.isEmpty() &&
            QString::fromLatin1(w->metaObject()->className()).compare(className, Qt::CaseInsensitive) != 0)
            continue;
        if (!title.isEmpty() && w->windowTitle().compare(title, Qt::CaseInsensitive) != 0)
            continue;
        return w;
    }
    return nullptr;
}
