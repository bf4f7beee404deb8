#pragma once
// Opens a page of the locally installed HTML manual in the desktop's browser. The top page "olm.html"
// lies in the manual folder, every other page in its "olm.files" subfolder; the organisation editions
// keep their manual in the "zaimu" folder of the help folder.

#include <QString>

// Error codes of the navigation.
inline constexpr int kManualNotFound = int(0x80070002);   // the page file does not exist
inline constexpr int kManualOpenFailed = int(0x80004005); // the desktop could not open it

// The page's path below SystemDef.HelpDir.
QString OnlineManualPath(const QString& Page);
// 0 when the page was handed to the desktop's URL opener; an empty page opens nothing and gives 0.
int OpenOnlineManual(const QString& Page);
