#pragma once
// The preview window "印刷ﾌﾟﾚﾋﾞｭｰ": shows a spool file with its form file page by page in a modal,
// maximised window; pages, zooms and pans; adjusts margins and paper ratios; prints all pages or the page
// shown; steps to the previous or next report of a series; saves the preview as a preview file (".mvx"
// with copies of every file it refers to) and shows such a file in place of the report.
// User-interface thread; one preview at a time.

#include "print/Mavrolex_Record.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QPoint>
#include <QStringList>
#include <functional>
#include <memory>

class QImage;
class QLabel;
class QPainter;
class QScrollArea;
class QToolButton;
class QFrame;
class Tfmyohaku;
namespace Ui {
class TImageDispForm;
}

// Texts of the window.
inline const QString kPreviewCaption = QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ");
inline const QString kPageJumpCaption = QStringLiteral("ページ指定");
inline const QString kPageJumpPrompt = QStringLiteral("表示したいページ番号を入力してください");
inline const QString kPreviewSaveFilter = QStringLiteral("印刷（プレビュー）ファイルの保存 |*.mvx;");
inline const QString kPreviewOpenFilter = QStringLiteral("印刷（プレビュー）ファイルの読込 |*.mvx;");

class TImageDispForm;

// The paint box that stands for the printer's printable area; it draws the page through its window.
class PreviewPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPaintBox(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent* e) override;
};

// Keys: Page Up and Page Down page back and on, Home and End go to the first and last page, "+" and "-"
// zoom, "J" asks for a page, Esc closes as the close box does.
class TImageDispForm : public QDialog {
    Q_OBJECT
public:
    explicit TImageDispForm(QWidget* parent = nullptr);
    ~TImageDispForm() override;

    // -1 previous report, 1 next report (also a plain close while the paper buttons are hidden), 0 close.
    int CloseNumber() const { return m_closeNumber; }

    // ---- actions of the tool bar ----
    void CloseButtonClick();
    void PrevPaperClick();
    void NextPaperClick();
    void TopPageClick();
    void PrevPageClick();
    void NextPageClick();
    void LastPageClick();
    void PgJumpClick();
    void ZoomInButtonClick();
    void ZoomOutButtonClick();
    void SpeedButton3Click(); // 100 %
    void ZoomJustButtonClick();
    void PrintButtonClick();
    void CurrentPageClick();
    void PrintSetupButtonClick();
    void SB_MARGINClick();
    // Preview files.
    void ImageSave_Click();
    void ImageOpen_Click();
    void ImageOpenCancel_Click();

    // ---- set-up and layout ----
    // The full set-up of the first activation: zoom, pages, layout, fit, margin dialog, orientations.
    void FormActivate();
    // Lays out the paper panel and the paint box for the printer's paper and the zoom.
    void FormResize();
    // Sets the printer's orientation to that of the current page and lays out again when it changes.
    void ApplyPageOrientation();
    // Draws the current page onto canvas, which stands for the printable area.
    void PaintPage(QPainter& canvas);

    // ---- state for callers and tests ----
    QString WherePageText() const;
    QString DispZoomText() const;
    QWidget* PaperPanel() const;
    QWidget* ImagePaintBox() const;
    QScrollArea* ImagePaintScrollBox() const;
    Tfmyohaku* MarginDialog() const { return m_margin.get(); }
    QToolButton* button(const char* name) const;
    // The page shown, painted as on the screen.
    QImage grabPage() const;
    bool Painting() const { return m_painting; }

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend int StartPreview(TPmvxDEF& Rec);
    friend class PreviewPaintBox;
    void preparePaperButtons(const TPmvxDEF& rec);
    void firstActivation();
    void showWherePage();
    void showZoom();
    void zoomChanged();
    void paintBoxPaint();
    void pageMoved();
    // Runs an action with painting suspended; false when a page is being painted.
    template <typename F> void withPaintingSuspended(const char* context, F&& action);
    void reloadShownFiles();

    std::unique_ptr<Ui::TImageDispForm> ui;
    std::unique_ptr<Tfmyohaku> m_margin;
    QList<int> m_orientations;
    int m_closeNumber = 0;
    QPoint m_panStart;
    bool m_panning = false;
    double m_scaleX = 96 / 254.0;
    double m_scaleY = 96 / 254.0;
    bool m_activated = false;
    bool m_fitFollowsSize = false;
    bool m_painting = false;
    bool m_paintSuspended = false;

    // Values an opened preview file replaced, for its cancellation.
    struct Remembered {
        qint32 PaperSize = 0, OutPutPaper = 0, Orientation = 0, TopMargin = 0, LeftMargin = 0;
        qint32 NetColor1 = 0, NetColor2 = 0, UserColor1 = 0, UserColor2 = 0;
        bool PrintFom = false;
    } m_remembered;
};

// Shows Rec's spool file in the preview window and returns the close number; 0 when it cannot be shown.
int StartPreview(TPmvxDEF& Rec);
// Creates the window with make (by default a plain TImageDispForm), trying up to six times; each failure
// is logged, the sixth is passed on.
std::unique_ptr<TImageDispForm>
CreatePreviewForm(const std::function<std::unique_ptr<TImageDispForm>()>& make = nullptr);

// ---- preview files ----

// The rest of the first line that begins with key, blanks trimmed; empty when no line does.
QString HeaderValue(const QString& key, const QStringList& lines);

// Rewrites the lines of one kind ("*FORMFILE=", "FORM;", "IMAGE;" or "CHART;") of a preview text to
// point at copies "<folder>/<name>_<suffix>" and makes the copies. Copies never overwrite each other: a
// picture whose copy name another file of the set already took gets a numbered name ("logo(2).bmp"),
// and a file named twice is copied once. A copy that fails is logged and added to the set's failures;
// the result is false then.
struct PreviewSaveSet {
    QString folder;
    QString name;
    bool hasFormFile = false;
    QHash<QString, QString> copyOf; // source file -> its copy in the set
    QStringList failures;           // one text per copy that failed
};
bool LocalisePreviewReferences(const QString& kind, PreviewSaveSet& set, QStringList& lines);
