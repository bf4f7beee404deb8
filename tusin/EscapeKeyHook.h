#pragma once
// While packing, encryption, extraction and restore run on the user-interface thread, the Escape key must
// neither cancel the progress nor close a dialog: an application-wide event filter swallows it (key down,
// key up and the shortcut check alike). At most one is installed at a time.

#include <QObject>

class EscapeKeyHook : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The installed hook, nullptr when none.
extern EscapeKeyHook* EscapeHookHandle;

// Installs the hook when none is installed; true when this call installed it.
bool InstallEscapeKeyHook();
// Removes the installed hook (if any).
void RemoveEscapeKeyHook();

// Installs the hook when none is, and removes what it installed on every way out of its scope.
class TEscapeKeyHookScope {
public:
    TEscapeKeyHookScope() : m_installed(InstallEscapeKeyHook()) {}
    ~TEscapeKeyHookScope() {
        if (m_installed)
            RemoveEscapeKeyHook();
    }
    TEscapeKeyHookScope(const TEscapeKeyHookScope&) = delete;
    TEscapeKeyHookScope& operator=(const TEscapeKeyHookScope&) = delete;

private:
    bool m_installed;
};
