#pragma once
// A date, a time or both edited as a row of small fields: an era selector, year, month and day fields,
// an AM/PM selector and hour, minute and second fields, each number followed by its caption box. Years
// are Western or an era with its era year. Reading the value checks the fields: the first problem is
// shown in a message box, the focus goes to the offending field, and the read yields 0 with ErrorCode()
// telling what was wrong (nothing is thrown). A typed value outside MinDate..MaxDate is replaced by the
// limit and the user is told so.
//
// Values are day counts; 0 means "no value". Dates from 1 January 1873 are accepted (before 1899-12-30
// they are negative day counts); 1899-12-30 00:00 itself is the day count 0 and so reads as no value.

#include "controls/TColor.h"
#include "core/PellanWarekiLib.h"
#include "core/TDateTime.h"
#include <QWidget>
#include <array>

class QComboBox;
class QLineEdit;
class TPellanExDateEdit;
template <class> class TDatePart;

enum TPellanExDateEditStyle {
    desYearMonthDayHMS,
    desYearMonthDayHM,
    desYearMonthDayH,
    desYearMonthDay,
    desYearMonth,
    desYear,
    desHourMinuteSecond,
    desHourMinute,
    desHour
};
enum TPellanExRekiSet { rsSeireki, rsWareki, rsBoth };
enum TPellanExYeardigitSet { yddigit2, yddigit4 };

// A caption box: its text centred in a raised border; it never takes the focus.
class TPellanExDateEditLabel : public QWidget {
    Q_OBJECT
public:
    explicit TPellanExDateEditLabel(TPellanExDateEdit* owner);
    TPellanExDateEdit* owner() const { return m_owner; }
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    void setBackground(TColor c);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    TPellanExDateEdit* m_owner;
    QString m_caption;
    TColor m_background = 0xE4E4E4;
};

class TPellanExDateEdit : public QWidget {
    Q_OBJECT
public:
    // The input parts in tab and display order.
    enum TPart { ptEra, ptYear, ptMonth, ptDay, ptAmpm, ptHour, ptMinute, ptSecond };
    // Error codes; the blank-field code collects one bit per blank part.
    enum TErrorCode : quint16 {
        ecAllBlank = 1,
        ecBlankYear = 2,
        ecBlankMonth = 4,
        ecBlankDay = 8,
        ecBlankAmpm = 16,
        ecBlankHour = 32,
        ecBlankMinute = 64,
        ecBlankSecond = 128,
        ecBeforeLowerLimit = 256,
        ecDate = 1024,
        ecTime = 2048,
        ecBadValue = 4096,
        ecEraYear = 32768
    };

    explicit TPellanExDateEdit(QWidget* parent = nullptr);

    // The value, 0 for none; reading checks the fields first and yields 0 after an input error.
    TDateTime DateTime();
    void setDateTime(TDateTime value);
    // Checks the fields and takes their value: false after an input error was reported.
    bool Validate();
    // The code of the last check (0: none).
    quint16 ErrorCode() const { return m_errorCode; }
    // Takes an era table (newest era first) in place of the built-in eras.
    void SetEraTable(const TGengoArray& table);

    TDateTime MinDate() const;
    void setMinDate(TDateTime d);
    TDateTime MaxDate() const;
    void setMaxDate(TDateTime d);
    TPellanExDateEditStyle EditStyle() const { return m_editStyle; }
    void setEditStyle(TPellanExDateEditStyle s);
    bool EditGengo() const { return m_editGengo; }
    void setEditGengo(bool on);
    bool EditAmpm() const { return m_editAmpm; }
    void setEditAmpm(bool on);
    TColor LabelColor() const { return m_labelColor; }
    void setLabelColor(TColor c);
    QString LabelYear() const { return m_labelTexts[0]; }
    void setLabelYear(const QString& t) { setLabelText(0, t); }
    QString LabelMonth() const { return m_labelTexts[1]; }
    void setLabelMonth(const QString& t) { setLabelText(1, t); }
    QString LabelDay() const { return m_labelTexts[2]; }
    void setLabelDay(const QString& t) { setLabelText(2, t); }
    QString LabelHour() const { return m_labelTexts[3]; }
    void setLabelHour(const QString& t) { setLabelText(3, t); }
    QString LabelMinute() const { return m_labelTexts[4]; }
    void setLabelMinute(const QString& t) { setLabelText(4, t); }
    QString LabelSecond() const { return m_labelTexts[5]; }
    void setLabelSecond(const QString& t) { setLabelText(5, t); }
    int SpaceWidth() const { return m_spaceWidth; }
    void setSpaceWidth(int w);
    TPellanExYeardigitSet Yeardigit() const { return m_yeardigit; }
    void setYeardigit(TPellanExYeardigitSet d);
    bool UseWarekiTable() const { return m_useWarekiTable; }
    void setUseWarekiTable(bool on);
    bool AutoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool on) { m_autoSelect = on; }
    bool CanEmpty() const { return m_canEmpty; }
    void setCanEmpty(bool on) { m_canEmpty = on; }
    TPellanExRekiSet Gengo() const { return m_gengo; }
    void setGengo(TPellanExRekiSet g);
    TColor DisableColor() const { return m_disableColor; }
    void setDisableColor(TColor c);
    TColor DisableFontColor() const { return m_disableFontColor; }
    void setDisableFontColor(TColor c);
    bool DropDownKey() const { return m_dropDownKey; }
    void setDropDownKey(bool on) { m_dropDownKey = on; }
    bool EnterNext() const { return m_enterNext; }
    void setEnterNext(bool on) { m_enterNext = on; }
    bool ExitCheck() const { return m_exitCheck; }
    void setExitCheck(bool on) { m_exitCheck = on; }
    bool DisplayError() const { return m_displayError; }
    void setDisplayError(bool on) { m_displayError = on; }
    TColor FocusedColor() const { return m_focusedColor; }
    void setFocusedColor(TColor c) { m_focusedColor = c; }
    QString DialogCaption() const { return m_dialogCaption; }
    void setDialogCaption(const QString& c) { m_dialogCaption = c; }
    bool TabStop() const { return m_tabStop; }
    void setTabStop(bool on);
    TColor Color() const { return m_color; }
    void setColor(TColor c);

    QWidget* part(TPart p) const { return m_parts[p]; }
    QLineEdit* numberField(TPart p) const;
    QComboBox* selector(TPart p) const;
    TPellanExDateEditLabel* label(int i) const { return m_labels[size_t(i)]; }
    // The era names the era selector offers (without "西暦").
    QStringList eraNames() const;

Q_SIGNALS:
    void OnKeyPress(QWidget* part, QChar key);
    void OnKeyDown(QWidget* part, int key, Qt::KeyboardModifiers modifiers);
    void OnChange(QWidget* part);
    void OnClick(QWidget* part);

protected:
    void changeEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;

private:
    template <class> friend class TDatePart;
    friend class TDateNumberField;
    friend class TDateSelector;

    // Part events.
    bool PartKey(QWidget* part, QKeyEvent* e);
    void PartEnter(QWidget* part);
    void PartExit(QWidget* part);
    void PartChange(QWidget* part);
    void PartClick(QWidget* part);
    void applicationFocusChanged(QWidget* old, QWidget* now);
    bool owns(const QWidget* w) const;

    bool shown(TPart p) const;
    bool hasDate() const { return m_editStyle <= desYear; }
    bool hasTime() const { return m_editStyle <= desYearMonthDayH || m_editStyle >= desHourMinuteSecond; }
    void ArrangeParts(bool clear);
    void ApplyPartColors();
    void FillEraList();
    void FilterEraTable();
    void refreshEraList();
    const TGengoArray& eraList() const;
    TWarekiRec EraOfDate(TDateTime date) const;
    void DisplayValue(TDateTime value);
    void ClearParts();
    void assignValue(TDateTime value);
    TDateTime ClampToLimits(TDateTime value) const;
    bool ShowInputError(quint16 code, const QString& message, QWidget* part);
    void FocusPart(QWidget* part);
    void setLabelText(int i, const QString& text);
    void setPartColors(QWidget* part, TColor back, TColor font);
    QString valueText(TDateTime value) const;

    TDateTime m_value, m_previousValue;
    TDateTime m_minDate, m_maxDate;
    TPellanExRekiSet m_gengo = rsWareki;
    bool m_canEmpty = true;
    bool m_empty = true;
    bool m_autoSelect = true;
    TPellanExYeardigitSet m_yeardigit = yddigit4;
    TColor m_focusedColor = 0xFFFFFF;
    TColor m_disableFontColor = 0xFFFFFF;
    TColor m_disableColor = clGrayText;
    std::array<QWidget*, 8> m_parts{};
    std::array<TPellanExDateEditLabel*, 6> m_labels{};
    std::array<QString, 6> m_labelTexts;
    TColor m_labelColor = 0xE4E4E4;
    int m_spaceWidth = 7;
    bool m_editGengo = true;
    bool m_editAmpm = false;
    bool m_enterNext = true;
    bool m_exitCheck = false;
    bool m_displayError = true;
    bool m_dropDownKey = true;
    QString m_dialogCaption;
    TPellanExDateEditStyle m_editStyle = desYearMonthDay;
    bool m_tabStop = true;
    TColor m_color = 0xFFFFFF;
    quint16 m_errorCode = 0;
    bool m_hasFocus = false;
    int m_rowHeight = 0;
    bool m_useWarekiTable = false;
    TGengoArray m_eraTable;
    TGengoArray m_filteredEras;
};
