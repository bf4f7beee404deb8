#pragma once
// Dialogs started by a program name instead of by their class. A dialog's unit registers a factory of
// its form under the name; a caller runs it through RunDialogByNameProc (RunNamedDialog, installed by
// the main form) with parameter lines "Name=Value" and gets the dialog's Execute result back.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

// What a form started by name implements. The form keeps its own copy of the lines; a name is matched
// without regard to letter case and its first line wins.
class ISyoriKidou {
public:
    virtual ~ISyoriKidou() = default;
    virtual int Execute(bool modal) = 0;
    virtual void SetParams(const QStringList& params) = 0;
};

// Creates a new, unowned form; the key tells registrations of one class apart (a class registered twice
// keeps its first name).
struct TDialogClass {
    const void* Key = nullptr;
    std::function<QObject*()> Create;
};

// A registrar for a form class T with a constructor taking an owner widget (none is given).
template <class T> TDialogClass DialogClassOf() {
    static const char key = 0;
    return {&key, [] { return static_cast<QObject*>(new T(nullptr)); }};
}

void RegisterDialogClass(const TDialogClass& dialogClass, const QString& programName);
// The form registered under the name (first match, letter case ignored), created now; nullptr when
// none is registered.
QObject* CreateRegisteredForm(const QString& programName);
// The dialog's Execute result, or -1 when no dialog ran. modal is 1 for a modal run; params are lines
// separated by CR, with or without LF; the line "FormStyle=2" (modal) or "FormStyle=0" is appended.
// A modal form is freed after its run unless it has the property "ManualFree" set (its caller frees it
// then); a modeless one frees itself on closing. Exceptions of the dialog pass to the caller.
int RunNamedDialog(const QString& programName, int modal, const QString& params);

// The normal cursor, as a dialog's Execute sets it first (a nested start by name is refused while the
// hourglass shows).
void ShowNormalCursor();

// The value of the first line "name=..." (letter case ignored), or def when there is none.
QString ParamValue(const QStringList& params, const QString& name, const QString& def = {});
// A numeric value of the lines; def when the line is missing or not an integer.
int ParamInt(const QStringList& params, const QString& name, int def);
