#pragma once
// A small progress window (animation, one information line, optional cancel button) shown over its
// owner window while long work runs on the user-interface thread. The owner takes no input meanwhile:
// the window is modal to it, so the owner keeps its look instead of greying out.
//
// Modeless use: Execute() shows the window and returns; the caller works, sets InfoLabel, polls
// Cancelled() and ends with Close(). Modal use: with OnShow set, Execute() shows the window modally,
// runs OnShow right after the window has appeared, closes it and raises again what OnShow threw.

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <exception>
#include <functional>

class QLabel;
class QMovie;
class QPushButton;
class TxAnimeProgressDialog;

enum TxLabelPosition { xlpRight, xlpBottom };
// The system animations of the animation control; any of them plays the built-in busy animation.
enum TCommonAVI {
    aviNone,
    aviFindFolder,
    aviFindFile,
    aviFindComputer,
    aviCopyFiles,
    aviCopyFile,
    aviRecycleFile,
    aviEmptyRecycle,
    aviDeleteFile
};

// Plays an animation file Qt can read, or the built-in busy animation for a system animation or a file
// in a format Qt does not read.
class TxAnimate : public QWidget {
    Q_OBJECT
public:
    explicit TxAnimate(QWidget* parent = nullptr);
    void setCommonAVI(TCommonAVI kind);
    void setFileName(const QString& path);
    bool Active() const { return m_active; }
    void setActive(bool on);
    // Advances one frame; the progress window calls it while the work holds the event loop.
    void step();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool playable() const;
    // The file's own frames show (not the built-in animation).
    bool playsFile() const;
    QPointer<QMovie> m_movie;
    TCommonAVI m_common = aviNone;
    bool m_builtIn = false; // a file Qt cannot decode
    bool m_active = false;
    int m_frame = 0;
    QTimer m_timer;
};

class TxProgressForm : public QDialog {
    Q_OBJECT
public:
    TxProgressForm(TxAnimeProgressDialog* component, QWidget* owner);
    QLabel* label() const { return m_label; }
    TxAnimate* animate() const { return m_animate; }
    QPushButton* cancelButton() const { return m_cancel; }
    void runOnShow() { m_runOnShow = true; }

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private Q_SLOTS:
    void RunShowHandler();

private:
    friend class TxAnimeProgressDialog;
    QPointer<TxAnimeProgressDialog> m_component;
    QLabel* m_label;
    TxAnimate* m_animate;
    QPushButton* m_cancel = nullptr;
    bool m_runOnShow = false;
};

class TxAnimeProgressDialog : public QObject {
    Q_OBJECT
public:
    explicit TxAnimeProgressDialog(QObject* owner = nullptr);
    ~TxAnimeProgressDialog() override;

    void Execute(QWidget* Owner = nullptr);
    // Gives the owner its input back and frees the window; returns 0.
    int Close();

    // The progress window while it exists.
    QWidget* Handle() const { return m_form; }
    // The window to block when Execute is given no owner.
    QWidget* ParentHandle() const { return m_parentHandle; }
    void setParentHandle(QWidget* w) { m_parentHandle = w; }
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    QString InfoLabel() const { return m_infoLabel; }
    // Sets the line and draws it at once, so that it shows while the work keeps the event loop busy.
    void setInfoLabel(const QString& text);
    TxLabelPosition LabelPosition() const { return m_labelPosition; }
    void setLabelPosition(TxLabelPosition p);
    TCommonAVI CommonAVI() const { return m_commonAvi; }
    void setCommonAVI(TCommonAVI kind);
    QString AviFile() const { return m_aviFile; }
    // A file that does not exist is cleared while the window exists.
    void setAviFile(const QString& path);
    bool AnimeActive() const;
    void setAnimeActive(bool on);
    bool CancelBtnShow() const { return m_cancelBtnShow; }
    void setCancelBtnShow(bool on) { m_cancelBtnShow = on; }
    bool Active() const { return m_active; }
    // The cancel button was pressed; the caller decides when to stop.
    bool Cancelled() const { return m_cancelled; }

    // The work of a modal run, with the progress window as sender.
    std::function<void(QObject* sender)> OnShow;
    // Called with the component when the progress window closes.
    std::function<void(QObject* sender)> OnClose;

    // Returns after at least Ms milliseconds without processing events.
    static bool Wait(int Ms);

private:
    friend class TxProgressForm;
    int scaled(int value) const;
    void LayoutControls();
    void SetAnimation(bool on);
    void CenterOnParent(QWidget* window);
    void CancelClick();
    void freeForm();

    QPointer<QWidget> m_ownerForm;
    QPointer<QWidget> m_ownerWindow;
    QPointer<QWidget> m_parentHandle;
    QPointer<TxProgressForm> m_form;
    QString m_caption;
    QString m_infoLabel;
    TxLabelPosition m_labelPosition = xlpRight;
    TCommonAVI m_commonAvi = aviNone;
    QString m_aviFile;
    bool m_cancelBtnShow = true;
    bool m_active = false;
    bool m_cancelled = false;
    bool m_modalRunning = false;
    std::exception_ptr m_pendingError;
};

// The program's own progress window over owner: caption, line and the animation "progress.avi" of the
// program folder, playing; the caller polls Cancelled() when it offers the cancel button and ends with
// Close().
void ExecuteProgramProgress(TxAnimeProgressDialog& progress, QWidget* owner, const QString& caption,
                            const QString& line, bool cancelButton);
