#include "platform/UserInteraction.h"

namespace ui {

namespace {
std::unique_ptr<UserInteraction>& slot() {
    static std::unique_ptr<UserInteraction> impl = std::make_unique<ScriptedUserInteraction>();
    return impl;
}
} // namespace

int resultOfButton(Button b) {
    switch (b) {
    case mbYes:
        return mrYes;
    case mbNo:
        return mrNo;
    case mbOK:
        return mrOk;
    case mbCancel:
        return mrCancel;
    case mbAbort:
        return mrAbort;
    case mbRetry:
        return mrRetry;
    case mbIgnore:
        return mrIgnore;
    case mbAll:
        return mrAll;
    case mbNoToAll:
        return mrNoToAll;
    case mbYesToAll:
        return mrYesToAll;
    default:
        return mrNone;
    }
}

QString kindCaption(MsgKind kind) {
    switch (kind) {
    case MsgKind::Warning:
        return QStringLiteral("警告");
    case MsgKind::Error:
        return QStringLiteral("エラー");
    case MsgKind::Information:
        return QStringLiteral("情報");
    case MsgKind::Confirmation:
        return QStringLiteral("確認");
    }
    return {};
}

UserInteraction& current() {
    return *slot();
}

std::unique_ptr<UserInteraction> install(std::unique_ptr<UserInteraction> impl) {
    std::unique_ptr<UserInteraction> previous = std::move(slot());
    slot() = std::move(impl);
    if (!slot())
        slot() = std::make_unique<ScriptedUserInteraction>();
    return previous;
}

int showMessage(MsgKind kind, const QString& text, Buttons buttons, const QString& caption) {
    MessageRequest r;
    r.kind = kind;
    r.text = text;
    r.buttons = buttons;
    r.caption = caption.isEmpty() ? kindCaption(kind) : caption;
    return current().message(r);
}

int ScriptedUserInteraction::message(const MessageRequest& request) {
    Shown s{Shown::Message, request, {}, {}};
    m_shown.push_back(s);
    if (onMessage) {
        int r = onMessage(request);
        if (r >= 0)
            return r;
    }
    if (!m_answers.empty()) {
        int r = m_answers.front();
        m_answers.pop_front();
        return r;
    }
    for (unsigned bit = 0; bit < 11; ++bit)
        if (request.buttons & (1u << bit))
            return resultOfButton(static_cast<Button>(1u << bit));
    return mrOk;
}

std::optional<QString> ScriptedUserInteraction::input(const InputRequest& request) {
    m_shown.push_back(Shown{Shown::Input, {}, request, {}});
    if (m_inputs.empty() || !m_inputs.front()) {
        if (!m_inputs.empty())
            m_inputs.pop_front();
        return std::nullopt;
    }
    const QString text = *m_inputs.front();
    m_inputs.pop_front();
    return text;
}

static QString nextPath(std::deque<QString>& paths) {
    if (paths.empty())
        return {};
    QString p = paths.front();
    paths.pop_front();
    return p;
}

QString ScriptedUserInteraction::pickFolder(const FileRequest& request) {
    m_shown.push_back(Shown{Shown::Folder, {}, {}, request});
    return nextPath(m_paths);
}

QString ScriptedUserInteraction::pickOpenFile(const FileRequest& request) {
    m_shown.push_back(Shown{Shown::OpenFile, {}, {}, request});
    return nextPath(m_paths);
}

QString ScriptedUserInteraction::pickSaveFile(const FileRequest& request) {
    m_shown.push_back(Shown{Shown::SaveFile, {}, {}, request});
    return nextPath(m_paths);
}

std::optional<PrintDialogAnswer> UserInteraction::printDialog(const PrintDialogRequest& request) {
    return PrintDialogAnswer{false, request.fromPage, request.toPage, request.copies, request.collate};
}

std::optional<PrintDialogAnswer> ScriptedUserInteraction::printDialog(const PrintDialogRequest& request) {
    Shown s{Shown::PrintDialog, {}, {}, {}};
    s.print = request;
    m_shown.push_back(s);
    if (m_printAnswers.empty())
        return UserInteraction::printDialog(request);
    std::optional<PrintDialogAnswer> a = m_printAnswers.front();
    m_printAnswers.pop_front();
    return a;
}

std::optional<quint32> UserInteraction::pickColor(ColorRequest& request) {
    Q_UNUSED(request);
    return std::nullopt;
}

std::optional<quint32> ScriptedUserInteraction::pickColor(ColorRequest& request) {
    Shown s{Shown::ColorPicker, {}, {}, {}};
    s.color = request;
    m_shown.push_back(s);
    if (m_colorAnswers.empty())
        return std::nullopt;
    const ColorAnswer a = m_colorAnswers.front();
    m_colorAnswers.pop_front();
    if (a.customIndex >= 0 && a.customIndex < static_cast<int>(request.customColors.size()))
        request.customColors[static_cast<size_t>(a.customIndex)] = a.customColor;
    return a.color;
}

std::optional<PageSetupAnswer> UserInteraction::pageSetupDialog(const PageSetupRequest& request) {
    return PageSetupAnswer{request.pageSizeId, request.orientation};
}

std::optional<PageSetupAnswer> ScriptedUserInteraction::pageSetupDialog(const PageSetupRequest& request) {
    Shown s{Shown::PageSetup, {}, {}, {}};
    s.pageSetup = request;
    m_shown.push_back(s);
    if (m_pageSetupAnswers.empty())
        return UserInteraction::pageSetupDialog(request);
    std::optional<PageSetupAnswer> a = m_pageSetupAnswers.front();
    m_pageSetupAnswers.pop_front();
    return a;
}

QStringList ScriptedUserInteraction::messageTexts() const {
    QStringList out;
    for (const Shown& s : m_shown)
        if (s.what == Shown::Message)
            out << s.message.text;
    return out;
}

void ScriptedUserInteraction::clear() {
    m_shown.clear();
    m_answers.clear();
    m_inputs.clear();
    m_paths.clear();
    m_printAnswers.clear();
    m_pageSetupAnswers.clear();
    m_colorAnswers.clear();
}

ScopedScriptedUi::ScopedScriptedUi() {
    auto impl = std::make_unique<ScriptedUserInteraction>();
    m_impl = impl.get();
    m_previous = install(std::move(impl));
}

ScopedScriptedUi::~ScopedScriptedUi() {
    install(std::move(m_previous));
}

} // namespace ui
