#pragma once
// The push button of the framework's dialogs: a painted panel with five looks, a vertical gradient, two
// caption lines, an image, a pressed look and a focus mark. A click hands its ModalResult to the modal
// dialog it sits on (0 leaves the dialog open); Esc clicks a button with the Cancel role.

#include "controls/TColor.h"
#include <QIcon>
#include <QPixmap>
#include <QWidget>
#include <functional>

class QShortcut;
class TxPlButton;

enum TxPlButtonStyle { bsNormal, bsFlat, bsFlatNoFrame, bsRoundRect, bsRoundRectNoFrame };
enum TxPlBtnAlignment { taCenter, taLeft, taRight, taEven };
enum TxPlBtnFrameType { bffFlat, bffEtched, bffBump };

class TxPlBtnCaption {
public:
    explicit TxPlBtnCaption(TxPlButton* owner) : m_owner(owner) {}
    TxPlBtnCaption(const TxPlBtnCaption&) = delete;
    TxPlBtnCaption& operator=(const TxPlBtnCaption&) = delete;

    QString Caption() const { return m_caption; }
    void setCaption(const QString& c);
    TxPlBtnAlignment Alignment() const { return m_alignment; }
    void setAlignment(TxPlBtnAlignment a);
    int Left() const { return m_left; }
    void setLeft(int v);
    int Right() const { return m_right; }
    void setRight(int v);
    // Copies caption, alignment and margins and refreshes the owner.
    void assign(const TxPlBtnCaption& other);

private:
    friend class TxPlButton;
    void refresh();
    TxPlButton* m_owner;
    QString m_caption;
    TxPlBtnAlignment m_alignment = taCenter;
    int m_left = 0;
    int m_right = 0;
};

class TxPlBtnImage {
public:
    enum Kind { None, Bitmap, Icon };
    explicit TxPlBtnImage(TxPlButton* owner) : m_owner(owner) {}
    TxPlBtnImage(const TxPlBtnImage&) = delete;
    TxPlBtnImage& operator=(const TxPlBtnImage&) = delete;

    Kind pictureKind() const { return m_kind; }
    bool isEmpty() const { return m_kind == None; }
    QPixmap bitmap() const { return m_bitmap; }
    QIcon icon() const { return m_icon; }
    QSize pictureSize() const;
    void setPicture(const QPixmap& bitmap);
    void setPicture(const QIcon& icon);
    void clearPicture();

    int Left() const { return m_left; }
    void setLeft(int v);
    int Top() const { return m_top; }
    void setTop(int v);
    bool TransParent() const { return m_transparent; }
    void setTransParent(bool on);
    bool Visible() const { return m_visible; }
    void setVisible(bool on);
    bool VertCenter() const { return m_vertCenter; }
    void setVertCenter(bool on);
    bool HorzCenter() const { return m_horzCenter; }
    void setHorzCenter(bool on);
    // Copies the picture and the six values without a refresh.
    void assign(const TxPlBtnImage& other);

private:
    friend class TxPlButton;
    void refresh();
    TxPlButton* m_owner;
    Kind m_kind = None;
    QPixmap m_bitmap;
    QIcon m_icon;
    int m_left = 10;
    int m_top = 0;
    bool m_transparent = false;
    bool m_visible = true;
    bool m_vertCenter = true;
    bool m_horzCenter = false;
};

class TxPlButton : public QWidget {
    Q_OBJECT
public:
    explicit TxPlButton(QWidget* parent = nullptr);
    ~TxPlButton() override;

    TxPlButtonStyle ButtonStyle() const { return m_style; }
    void setButtonStyle(TxPlButtonStyle s);
    bool Cancel() const { return m_cancel; }
    void setCancel(bool on);
    TxPlBtnCaption& CaptionA() { return m_captionA; }
    const TxPlBtnCaption& CaptionA() const { return m_captionA; }
    void setCaptionA(const TxPlBtnCaption& c) { m_captionA.assign(c); }
    TxPlBtnCaption& CaptionB() { return m_captionB; }
    const TxPlBtnCaption& CaptionB() const { return m_captionB; }
    void setCaptionB(const TxPlBtnCaption& c) { m_captionB.assign(c); }
    int CaptionLineSpace() const { return m_lineSpace; }
    void setCaptionLineSpace(int v);
    int CaptionTop() const { return m_captionTop; }
    void setCaptionTop(int v);
    bool CaptionVertCenter() const { return m_captionVertCenter; }
    void setCaptionVertCenter(bool on);
    TxPlBtnFrameType FlatFrameType() const { return m_frameType; }
    void setFlatFrameType(TxPlBtnFrameType t);
    bool Gradation() const { return m_gradation; }
    void setGradation(bool on);
    TColor GradBeginColor() const { return m_gradBegin; }
    void setGradBeginColor(TColor c);
    TColor GradEndColor() const { return m_gradEnd; }
    void setGradEndColor(TColor c);
    TColor Color() const { return m_color; }
    void setColor(TColor c);
    bool HasFocus() const { return m_hasFocus; }
    void setHasFocus(bool on);
    bool TabStop() const { return m_tabStop; }
    void setTabStop(bool on);
    int ModalResult() const { return m_modalResult; }
    void setModalResult(int r) { m_modalResult = r; }
    TxPlBtnImage& Image() { return m_image; }
    const TxPlBtnImage& Image() const { return m_image; }
    void setImage(const TxPlBtnImage& i);

    // Flat forms of the caption and image values, as form files set them.
    void setCaptionACaption(const QString& t) { m_captionA.setCaption(t); }
    void setCaptionAAlignment(TxPlBtnAlignment a) { m_captionA.setAlignment(a); }
    void setCaptionALeft(int v) { m_captionA.setLeft(v); }
    void setCaptionARight(int v) { m_captionA.setRight(v); }
    void setCaptionBCaption(const QString& t) { m_captionB.setCaption(t); }
    void setCaptionBAlignment(TxPlBtnAlignment a) { m_captionB.setAlignment(a); }
    void setCaptionBLeft(int v) { m_captionB.setLeft(v); }
    void setCaptionBRight(int v) { m_captionB.setRight(v); }
    void setImagePicture(const QPixmap& p) { m_image.setPicture(p); }
    void setImageLeft(int v) { m_image.setLeft(v); }
    void setImageTop(int v) { m_image.setTop(v); }
    void setImageTransParent(bool on) { m_image.setTransParent(on); }
    void setImageVertCenter(bool on) { m_image.setVertCenter(on); }
    void setImageHorzCenter(bool on) { m_image.setHorzCenter(on); }

    bool isPressed() const { return m_pressed; }

    // Mouse entered or left the button: sender, keyboard modifiers, mouse buttons, position.
    std::function<void(QObject*, Qt::KeyboardModifiers, Qt::MouseButtons, QPoint)> OnMouseEnter;
    std::function<void(QObject*, Qt::KeyboardModifiers, Qt::MouseButtons, QPoint)> OnMouseLeave;

public Q_SLOTS:
    // Hands the modal result to the dialog, emits clicked() and repaints. A clicked() handler that sets
    // the dialog's result back to 0 keeps the dialog open.
    void click();

Q_SIGNALS:
    void clicked();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    friend class TxPlBtnCaption;
    friend class TxPlBtnImage;
    void refresh() { update(); }
    void updateFocusPolicy();
    void updateRegion();
    void updateCancelShortcut();
    void mouseEntered(QPoint pos);
    void mouseLeft(QPoint pos);
    void drawGradient(QPainter& p);
    void drawImage(QPainter& p);
    void drawCaption(QPainter& p, const TxPlBtnCaption& c, int top);
    void drawFrame(QPainter& p);
    void drawFocusMark(QPainter& p);

    TxPlButtonStyle m_style = bsNormal;
    bool m_cancel = false;
    TxPlBtnCaption m_captionA{this};
    TxPlBtnCaption m_captionB{this};
    int m_lineSpace = 4;
    int m_captionTop = 0;
    bool m_captionVertCenter = true;
    TxPlBtnFrameType m_frameType = bffFlat;
    bool m_gradation = true;
    TColor m_gradBegin = 0xFFFFFF;
    TColor m_gradEnd = 0xC0C0C0;
    TColor m_color = clBtnFace;
    bool m_hasFocus = true;
    bool m_tabStop = true;
    int m_modalResult = 0;
    TxPlBtnImage m_image{this};
    bool m_pressed = false;
    bool m_spacePressed = false; // pressed by Space, clicked when it is released
    bool m_mouseDown = false;    // the left button went down on the button and is still held
    bool m_mouseInside = false;
    bool m_captionNamed = false;
    bool m_captionAssigned = false;
    QShortcut* m_escape = nullptr;
};
