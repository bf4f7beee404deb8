#pragma once
// The function-key bar of the two data-list dialogs (data selection and shared server): Esc, F1 to F8
// and F12, each a button whose caption is the key followed by what it does there ("F2:コピー"); a key that
// does nothing keeps only its name ("F2:").

#include "controls/SafeCall.h"

#include <QObject>
#include <QPushButton>
#include <QString>
#include <array>

class TListKeyBar {
public:
    enum Key : int { kEsc, kF1, kF2, kF3, kF4, kF5, kF6, kF7, kF8, kF12, KeyCount };
    using Captions = std::array<QString, KeyCount>;

    // Takes the form's buttons btnEsc, btnF1 ... btnF8, btnF12.
    template <class Form> void Bind(const Form& form) {
        m_buttons = {form.btnEsc, form.btnF1, form.btnF2, form.btnF3, form.btnF4,
                     form.btnF5,  form.btnF6, form.btnF7, form.btnF8, form.btnF12};
    }

    QPushButton* Button(Key key) const { return m_buttons[size_t(key)]; }
    QString Caption(Key key) const { return Button(key)->text(); }
    Captions CurrentCaptions() const;
    void Show(const Captions& captions) const;

    // The key's name alone: "F2:コピー" becomes "F2:".
    static QString Bare(const QString& caption) { return caption.left(caption.indexOf(u':') + 1); }
    static void Blank(Captions& captions, Key key) { captions[size_t(key)] = Bare(captions[size_t(key)]); }

    // A click on a key's button runs its handler (none where the entry is null); an exception is shown
    // as an error box, never passed to the event loop.
    template <class Owner>
    void Connect(Owner* owner, const std::array<void (Owner::*)(), KeyCount>& handlers) const {
        for (size_t k = 0; k < handlers.size(); ++k)
            if (const auto handler = handlers[k])
                QObject::connect(m_buttons[k], &QPushButton::clicked, owner,
                                 [owner, handler] { guarded([&] { (owner->*handler)(); }); });
    }

private:
    std::array<QPushButton*, KeyCount> m_buttons{};
};
