#pragma once
// The progress windows of the communication roads: TfmWaitMess with up to five step lines (send,
// receive, status requests) and TfmWaitMess2 with one line (cloud-share authentication). Each plays the
// busy animation beside its lines. The caller sets the owner window, creates the window into the unit's
// variable, shows it modeless, drives the lines and frees it.

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <memory>

class QCheckBox;
class TxAnimate;
namespace Ui {
class TfmWaitMess;
class TfmWaitMess2;
} // namespace Ui

// How a step line looks: to come (black), running (blue, ticked), done (grey).
enum class TWaitStep { ToCome, Running, Done };
void SetWaitStep(QCheckBox* line, TWaitStep step);

// The window a new progress window takes as its owner.
extern QPointer<QWidget> WaitMessParent;
extern QPointer<QWidget> WaitMess2Parent;

// Frame, animation and timer shared by both windows.
class TWaitMessBase : public QDialog {
    Q_OBJECT
public:
    TxAnimate* animation() const { return m_animate; }

protected:
    explicit TWaitMessBase(QWidget* owner);
    // Places the animation once the form's size is known.
    void setUpAnimation();
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    TxAnimate* m_animate = nullptr;
    QTimer m_timer;
};

class TfmWaitMess : public TWaitMessBase {
    Q_OBJECT
public:
    explicit TfmWaitMess(QWidget* owner = WaitMessParent);
    ~TfmWaitMess() override;
    // Line 1 to 5.
    QCheckBox* line(int n) const;

private:
    std::unique_ptr<Ui::TfmWaitMess> ui;
};

class TfmWaitMess2 : public TWaitMessBase {
    Q_OBJECT
public:
    explicit TfmWaitMess2(QWidget* owner = WaitMess2Parent);
    ~TfmWaitMess2() override;
    QCheckBox* CheckBox1() const;

private:
    std::unique_ptr<Ui::TfmWaitMess2> ui;
};

extern QPointer<TfmWaitMess> fmWaitMess;
extern QPointer<TfmWaitMess2> fmWaitMess2;
