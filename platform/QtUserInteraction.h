#pragma once
// The plain Qt implementation of the user-interaction interface: standard message, input and file
// dialogs over the active window. The program installs it at start-up until the framework's own message
// dialog takes its place.

#include "platform/UserInteraction.h"

namespace ui {

class QtUserInteraction : public UserInteraction {
public:
    int message(const MessageRequest& request) override;
    std::optional<QString> input(const InputRequest& request) override;
    QString pickFolder(const FileRequest& request) override;
    QString pickOpenFile(const FileRequest& request) override;
    QString pickSaveFile(const FileRequest& request) override;
};

// "\r\n", "\r" and "\n" as line breaks of a box text.
QString boxLines(const QString& text);

} // namespace ui
