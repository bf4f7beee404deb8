#pragma once
// The program's boxes, prompts and pickers on screen: messages through the framework's message dialog,
// values and files through Qt's standard dialogs. The program installs it at start-up with
// ui::install(std::make_unique<QtUserInteraction>()).

#include "controls/z5MessageDlg2.h"
#include "platform/UserInteraction.h"

// The message dialog's record of a request: one line per line of the text (breaks "\r\n", "\r" or
// "\n"); a text of more than ten lines keeps the rest in the tenth.
TMessage2InfoRec messageInfoFor(const ui::MessageRequest& request);

class QtUserInteraction : public ui::UserInteraction {
public:
    int message(const ui::MessageRequest& request) override;
    std::optional<QString> input(const ui::InputRequest& request) override;
    QString pickFolder(const ui::FileRequest& request) override;
    QString pickOpenFile(const ui::FileRequest& request) override;
    QString pickSaveFile(const ui::FileRequest& request) override;
    std::optional<ui::PrintDialogAnswer> printDialog(const ui::PrintDialogRequest& request) override;
    std::optional<quint32> pickColor(ui::ColorRequest& request) override;
    std::optional<ui::PageSetupAnswer> pageSetupDialog(const ui::PageSetupRequest& request) override;
};
