#pragma once
// Every box, question, prompt and picker the program shows goes through this interface, so that all of
// it runs headless in tests. The program installs the Qt implementation at start-up; tests install a
// ScriptedUserInteraction that records what was shown and answers from a script.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ui {

// The four kinds of message box; the value is the kind number the message dialog uses.
enum class MsgKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };

// Modal results, numbered as the framework's dialogs return them.
enum ModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10
};

// Button set of a message box, bits in the message dialog's order.
enum Button : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10
};
using Buttons = unsigned;

// Modal result of one button bit (mbHelp gives mrNone).
int resultOfButton(Button b);
// The default caption of a kind: "警告", "エラー", "情報", "確認".
QString kindCaption(MsgKind kind);

struct MessageRequest {
    MsgKind kind = MsgKind::Information;
    QString caption; // empty: the kind's caption
    QString text;    // lines separated by "\r", "\n" or "\r\n"
    Buttons buttons = mbOK;
    int defaultButton = 0; // index among the shown buttons
    // Not empty: an agreement box with this text that must be ticked before the first button works.
    QString agreeCaption;
};

struct InputRequest {
    QString caption;
    QString prompt;
    QString initial;
    bool password = false;
    int maxLength = 0; // 0: no limit
    // Shown beside the input as its hint.
    QString hint;
    // The prompt stands out in red (a repeated request after a wrong entry).
    bool promptAlert = false;
    // Only ASCII letters and digits can be typed.
    bool lettersAndDigitsOnly = false;
    // A character filter of the input dialog (its TCharFilter value; 0 none).
    int charFilter = 0;
};

struct FileRequest {
    QString caption;
    QString folder;   // starting folder
    QString fileName; // proposed file name (save)
    QString filter;   // Qt filter text, e.g. "XML (*.xml)"
    QString defaultExt;
};

// The printer dialog: the page range and copies the operator may choose.
struct PrintDialogRequest {
    QString printer; // the printer the dialog opens on
    bool allowPageRange = false;
    int minPage = 1;
    int maxPage = 1;
    int fromPage = 1;
    int toPage = 1;
    int copies = 1;
    bool collate = false;
};
struct PrintDialogAnswer {
    bool pageRange = false; // false: all pages
    int fromPage = 1;
    int toPage = 1;
    int copies = 1;
    bool collate = false;
};

// The colour picker: the starting colour and the sixteen custom colours, 0x00BBGGRR each; the picker
// may change the custom colours (they come back in the request also when it is cancelled).
struct ColorRequest {
    quint32 color = 0;
    std::vector<quint32> customColors = std::vector<quint32>(16, 0xFFFFFF);
};

// The printer set-up dialog: the paper and orientation of the current printer. The paper is a
// QPageSize::PageSizeId value (-1: a size of its own that the dialog does not name).
struct PageSetupRequest {
    QString printer;
    int pageSizeId = -1;
    int orientation = 1; // 1 portrait, 2 landscape
};
struct PageSetupAnswer {
    int pageSizeId = -1;
    int orientation = 1;
};

class UserInteraction {
public:
    virtual ~UserInteraction() = default;
    // Shows a message box; returns the modal result of the pressed button (mrCancel when closed).
    virtual int message(const MessageRequest& request) = 0;
    // Asks for one text value; nullopt when cancelled.
    virtual std::optional<QString> input(const InputRequest& request) = 0;
    // Pickers answer an empty text when cancelled.
    virtual QString pickFolder(const FileRequest& request) = 0;
    virtual QString pickOpenFile(const FileRequest& request) = 0;
    virtual QString pickSaveFile(const FileRequest& request) = 0;
    // The printer dialog; nullopt when cancelled. Without a dialog of its own an implementation prints all
    // pages as asked.
    virtual std::optional<PrintDialogAnswer> printDialog(const PrintDialogRequest& request);
    // The chosen colour; nullopt when cancelled. Without a picker of its own an implementation cancels.
    virtual std::optional<quint32> pickColor(ColorRequest& request);
    // The printer set-up dialog; nullopt when cancelled. Without a dialog of its own an implementation
    // keeps the settings as asked.
    virtual std::optional<PageSetupAnswer> pageSetupDialog(const PageSetupRequest& request);
};

// The installed implementation (the scripted one until something else is installed).
UserInteraction& current();
// Installs an implementation and returns the previous one.
std::unique_ptr<UserInteraction> install(std::unique_ptr<UserInteraction> impl);

// Convenience: a box of the kind with its default caption unless one is given.
int showMessage(MsgKind kind, const QString& text, Buttons buttons = mbOK, const QString& caption = {});
inline int showError(const QString& text) {
    return showMessage(MsgKind::Error, text);
}
inline int showWarning(const QString& text) {
    return showMessage(MsgKind::Warning, text);
}
inline int showInformation(const QString& text) {
    return showMessage(MsgKind::Information, text);
}
inline int askConfirmation(const QString& text, Buttons buttons = mbYes | mbNo) {
    return showMessage(MsgKind::Confirmation, text, buttons);
}

// Records every request and answers from queues. With nothing queued a message gets the result of its
// first button (in bit order), an input is cancelled and a picker answers empty.
class ScriptedUserInteraction : public UserInteraction {
public:
    struct Shown {
        enum What { Message, Input, Folder, OpenFile, SaveFile, PrintDialog, PageSetup, ColorPicker } what;
        MessageRequest message;
        InputRequest input;
        FileRequest file;
        PrintDialogRequest print{};
        ColorRequest color{};
        PageSetupRequest pageSetup{};
    };

    int message(const MessageRequest& request) override;
    std::optional<QString> input(const InputRequest& request) override;
    QString pickFolder(const FileRequest& request) override;
    QString pickOpenFile(const FileRequest& request) override;
    QString pickSaveFile(const FileRequest& request) override;
    // Answers from the queue; with nothing queued the dialog is accepted as asked.
    std::optional<PrintDialogAnswer> printDialog(const PrintDialogRequest& request) override;

    // Answers from the queue (cancel with nothing queued); a custom colour given with an index is put
    // into the request's custom colours first.
    std::optional<quint32> pickColor(ColorRequest& request) override;
    struct ColorAnswer {
        std::optional<quint32> color;
        int customIndex = -1;
        quint32 customColor = 0;
    };
    void queueColor(ColorAnswer answer) { m_colorAnswers.push_back(answer); }
    // Answers from the queue; with nothing queued the settings are kept as asked.
    std::optional<PageSetupAnswer> pageSetupDialog(const PageSetupRequest& request) override;

    void queuePrintDialog(std::optional<PrintDialogAnswer> answer) {
        m_printAnswers.push_back(std::move(answer));
    }
    void queuePageSetup(std::optional<PageSetupAnswer> answer) {
        m_pageSetupAnswers.push_back(std::move(answer));
    }
    void queueAnswer(int modalResult) { m_answers.push_back(modalResult); }
    void queueInput(std::optional<QString> value) { m_inputs.push_back(std::move(value)); }
    void queuePath(const QString& path) { m_paths.push_back(path); }
    // Called for every message before the queue is consulted; a result >= 0 answers it.
    std::function<int(const MessageRequest&)> onMessage;

    const std::vector<Shown>& shown() const { return m_shown; }
    // Texts of the message boxes shown so far, in order.
    QStringList messageTexts() const;
    void clear();

private:
    std::vector<Shown> m_shown;
    std::deque<int> m_answers;
    std::deque<std::optional<QString>> m_inputs;
    std::deque<QString> m_paths;
    std::deque<std::optional<PrintDialogAnswer>> m_printAnswers;
    std::deque<ColorAnswer> m_colorAnswers;
    std::deque<std::optional<PageSetupAnswer>> m_pageSetupAnswers;
};

// Installs a fresh scripted implementation for the lifetime of the object and restores the previous one.
class ScopedScriptedUi {
public:
    ScopedScriptedUi();
    ~ScopedScriptedUi();
    ScriptedUserInteraction& operator*() { return *m_impl; }
    ScriptedUserInteraction* operator->() { return m_impl; }

private:
    ScriptedUserInteraction* m_impl;
    std::unique_ptr<UserInteraction> m_previous;
};

} // namespace ui
