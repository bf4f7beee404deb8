#pragma once
// Folder, file, shell and system routines over platform/: standard folders, path delimiters, guarded
// shell delete/copy/move, the pickers with the check against saving into the root of the system drive,
// the message-pump wait, pixel scaling, registry and ini routines, and window helpers. No state.
// Paths use "/" and carry no trailing delimiter unless a routine says otherwise.

#include "platform/Registry.h"
#include "platform/UserInteraction.h"

#include <QString>
#include <QStringList>
#include <QVariant>

class QProcess;

class QWidget;

// Operation codes of ShellFolderOp and ShellFolderCopyMove, as the shell numbers them.
enum : int { FO_MOVE = 1, FO_COPY = 2, FO_DELETE = 3 };

QString GetSystemDir();
// The root of the file system holding the system folder, with its delimiter.
QString GetSystemDriveRoot();
QString GetMyDocumentsDir();
QString GetAppDataDir(bool common);
QString GetSpecialDir(const QString& word);
QString GetTempDir(const QString& def);
QString ExcludePathDelim(const QString& path);
QString IncludePathDelim(const QString& path);
bool ForceFolder(const QString& path);
// Throws std::runtime_error("ファイルが見つかりません。") for a path that does not exist.
QString GetShortPath(const QString& path);
QString GetUNCPath(const QString& path);
// Sub-folders of the folder in the file system's order: names for mode 1, full paths otherwise.
QStringList GetSubFolders(const QString& folder, int mode);
qint64 GetFileSize64(const QString& path);

// False for a blank path, "/", the system folders, the home folder, the documents, program and
// application-data folders, the data root, and every folder that holds one of them, compared as
// canonical paths. A pattern in the last part is judged by its folder.
bool IsSafeFolder(const QString& path);
bool ShellFolderOp(const QString& path, int operation, bool allowUndo, bool showErrors);
bool ShellFolderCopyMove(const QString& from, const QString& to, int operation);
bool CopyFileTo(const QString& source, const QString& target);

// The "EnableLUA" registry flag: true only for the value 1.
bool IsUacEnabled();
// The root item is where the picker starts when no folder is given.
bool SelectFolderDlg(const QString& title, QString& folder, bool skipUacCheck = false,
                     const QString& root = {});
bool SelectComputerDlg(const QString& title, QString& computer);
enum class FileDlgKind { Open, Save };
bool ExecuteFileDlgUAC(FileDlgKind kind, const ui::FileRequest& dialog, QString& fileName);
bool CheckSaveFolderUAC(QString& folder);
bool CheckSaveFileUAC(QString& fileName);

QString GetPCName();
QString GetLoginUserName();
// The kernel's major version.
int GetOSMajorVersion();
void ForceForegroundWindow(QWidget* window);
void PurgeInputMessages(QWidget* window);
bool WaitMSec(int msec);
// Starts a child tool (gbak, isql-fb) so that it ends with this program: when the program goes, even by
// kill -9, the kernel kills the tool too, and it never runs on holding the databases. Every child tool
// is started here.
void StartChildTool(QProcess& process, const QString& program, const QStringList& arguments);
// Waits until a child tool has ended, keeping the windows responsive meanwhile; returns at once when
// the tool is not running (also when it ended while events were being handled).
void WaitForChildProcess(QProcess& process);
int ScalePPI(int value, int toPPI, int fromPPI = 0);
// Thickness of a sizable window frame that eats into a window's height.
int SizableFrameHeight();
// Heights of a menu bar and of a window caption as the style draws them; 0 without a GUI application.
int MenuBarHeight();
int CaptionHeight();
int AdjustForFrameSize(int height, int mode, int frameHeight = SizableFrameHeight());
void ReadRegValue(registry::Root root, const QString& keyPath, const QString& name, QVariant& result);
void WriteIniKey(const QString& file, const QString& section, const QString& key, bool erase,
                 const QVariant& value);
void ReadIniSectionText(const QString& file, const QString& section, QString& text);
void WriteIniSection(const QString& file, const QString& section, const QStringList& lines);
QWidget* FindWindowByClass(const QString& className, const QString& title);
