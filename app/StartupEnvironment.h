#pragma once
// The process environment of the wizard, set up before its window is shown and usable without one: the
// product identity copied into the framework's names, SystemDef's folders and connection values with the
// application ini, and the one database module DM.

#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>

class QFont;
class TDM;

// Copies AppInfo (read from "AppInfo.ini") into the framework's process-wide names, before anything reads
// them; the organisation edition ("TavrinoData") also gets its colours of a new operator's settings.
void ApplyAppInfo();

// A start-up failure; its text is the box to show.
class EStartupError : public std::runtime_error {
public:
    explicit EStartupError(const QString& text) : std::runtime_error(text.toStdString()), Text(text) {}
    QString Text;
};

class TStartupEnvironment {
public:
    TStartupEnvironment();
    // Frees DM, then the two fonts SystemDef refers to.
    ~TStartupEnvironment();
    // The same, earlier; nothing is left to free afterwards.
    void Release();
    TStartupEnvironment(const TStartupEnvironment&) = delete;
    TStartupEnvironment& operator=(const TStartupEnvironment&) = delete;

    // Fills SystemDef (folders, connection values, the application ini written with its defaults on a
    // first start) and leaves connection mode 0 with no host. Throws EStartupError.
    void InitEnvironment(const QFont& formFont);
    // The application's initialisation: InitEnvironment, then afterEnvironment (the form takes its title),
    // then DM and the dataset-list store. False after the failure box has been shown.
    bool InitApplication(const QFont& formFont, const std::function<void()>& afterEnvironment = {});

private:
    std::unique_ptr<QFont> m_baseFont;
    std::unique_ptr<QFont> m_displayFont;
    std::unique_ptr<TDM> m_dm;
};
