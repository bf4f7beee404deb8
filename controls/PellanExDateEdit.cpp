#include "controls/PellanExDateEdit.h"
#include "controls/SafeCall.h"
#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

const QString kSeireki = QStringLiteral("西暦");
const QString kMsgAllBlank = QStringLiteral("入力欄が全て空白です．　　");
const QString kMsgBlank = QStringLiteral("空白の入力欄があります．　　");
const QString kMsgTime12 = QStringLiteral("時刻の入力可能な値は11時59分59秒までです．　　");
const QString kMsgTime24 = QStringLiteral("時刻の入力可能な値は23時59分59秒までです．　　");
const QString kMsgTimeInvalid = QStringLiteral("時刻が正しくありません．　　");
const QString kMsgDateInvalid = QStringLiteral("日付が正しくありません（変換できません）．　　");
const QString kMsgBeforeLimit =
    QStringLiteral("1873年01月01日(明治6年01月01日)より前の日付は処理できません．　　");
const QString kMsgEraYear = QStringLiteral("2999年以降は元号に変換できません．　　");
const QString kMsgBadValue = QStringLiteral("正しくない日付時刻型の値がセットされました．　　");
const QString kMsgReplaced = QStringLiteral("入力可能な範囲外の日付です．%1に置き換えました．　　");

// The day before the lower limit stands for "no value" (and "no limit").
TDateTime emptyMarker() {
    return TDateTime::fromDate(1872, 12, 31);
}

TDateTime lowerLimit() {
    return TDateTime::fromDate(1873, 1, 1);
}

TDateTime combine(const QDate& date, const QTime& time) {
    return TDateTime::fromDateTime(QDateTime(date, time, Qt::UTC));
}

// Linux offers no Japanese-calendar era list: the built-in eras stand in for it.
const TGengoArray& platformEras() {
    static const TGengoArray eras = BuiltInEras();
    return eras;
}

int readNumber(const QString& text) {
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok ? v : 0;
}

} // namespace

// ---- parts ---------------------------------------------------------------------------------------------

// Every input part hands its keys, focus changes and clicks to the control.
template <class Base> class TDatePart : public Base {
public:
    explicit TDatePart(TPellanExDateEdit* owner) : Base(owner), m_owner(owner) {
        this->setAttribute(Qt::WA_InputMethodEnabled, false);
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        bool taken = false;
        guarded([&] { taken = m_owner->PartKey(this, e); });
        if (!taken)
            Base::keyPressEvent(e);
    }
    void focusInEvent(QFocusEvent* e) override {
        Base::focusInEvent(e);
        if (movesBetweenControls(e))
            guarded([&] { m_owner->PartEnter(this); });
    }
    void focusOutEvent(QFocusEvent* e) override {
        Base::focusOutEvent(e);
        if (movesBetweenControls(e))
            guarded([&] { m_owner->PartExit(this); });
    }
    static bool movesBetweenControls(const QFocusEvent* e) {
        return e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason;
    }

    TPellanExDateEdit* m_owner;
};

class TDateNumberField : public TDatePart<QLineEdit> {
public:
    explicit TDateNumberField(TPellanExDateEdit* owner) : TDatePart(owner) {
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setMaxLength(2);
        connect(this, &QLineEdit::textChanged, this, [this] { guarded([&] { m_owner->PartChange(this); }); });
    }

protected:
    // Digits only, whichever way they come.
    void inputMethodEvent(QInputMethodEvent* e) override {
        QString commit = e->commitString();
        commit.removeIf([](QChar c) { return c < u'0' || c > u'9'; });
        e->setCommitString(commit, e->replacementStart(), e->replacementLength());
        QLineEdit::inputMethodEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        QLineEdit::mouseReleaseEvent(e);
        guarded([&] { m_owner->PartClick(this); });
    }
};

class TDateSelector : public TDatePart<QComboBox> {
public:
    explicit TDateSelector(TPellanExDateEdit* owner) : TDatePart(owner) {
        setEditable(false);
        connect(this, &QComboBox::activated, this, [this] { guarded([&] { chosen(); }); });
        view()->installEventFilter(this);
    }
    bool listOpen() const { return view()->isVisible(); }

protected:
    void chosen() {
        m_owner->PartClick(this);
        m_owner->PartChange(this);
    }
    // Enter in the open list takes the item, closes the list and goes on as Enter in the selector does.
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == view() && e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                guarded([&] {
                    const int row = view()->currentIndex().row();
                    hidePopup();
                    if (row >= 0 && row != currentIndex()) {
                        setCurrentIndex(row);
                        chosen();
                    }
                    m_owner->PartKey(this, k);
                });
                return true;
            }
        }
        return QComboBox::eventFilter(watched, e);
    }
};

TPellanExDateEditLabel::TPellanExDateEditLabel(TPellanExDateEdit* owner) : QWidget(owner), m_owner(owner) {
    setFocusPolicy(Qt::NoFocus);
}

void TPellanExDateEditLabel::setCaption(const QString& caption) {
    m_caption = caption;
    update();
}

void TPellanExDateEditLabel::setBackground(TColor c) {
    m_background = c;
    update();
}

void TPellanExDateEditLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), toQColor(m_background, palette()));
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    QFont f = font();
    f.setBold(false);
    f.setItalic(false);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_caption);
}

// ---- the control -----------------------------------------------------------------------------------------

TPellanExDateEdit::TPellanExDateEdit(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    FormatSettings.ShortDateFormat = QStringLiteral("yyyy/MM/dd");
    m_value = m_previousValue = m_minDate = m_maxDate = emptyMarker();
    m_dialogCaption = QStringLiteral("日付時刻入力");
    m_labelTexts = {QStringLiteral("年"), QStringLiteral("月"), QStringLiteral("日"),
                    QStringLiteral("時"), QStringLiteral("分"), QStringLiteral("秒")};

    m_parts[ptEra] = new TDateSelector(this);
    int label = 0;
    for (TPart p : {ptYear, ptMonth, ptDay}) {
        m_parts[p] = new TDateNumberField(this);
        m_labels[size_t(label++)] = new TPellanExDateEditLabel(this);
    }
    auto* ampm = new TDateSelector(this);
    ampm->addItems({QStringLiteral("午前"), QStringLiteral("午後")});
    ampm->setCurrentIndex(-1);
    m_parts[ptAmpm] = ampm;
    for (TPart p : {ptHour, ptMinute, ptSecond}) {
        m_parts[p] = new TDateNumberField(this);
        m_labels[size_t(label++)] = new TPellanExDateEditLabel(this);
    }
    for (int i = 0; i < 6; ++i) {
        m_labels[size_t(i)]->setCaption(m_labelTexts[size_t(i)]);
        m_labels[size_t(i)]->setBackground(m_labelColor);
    }
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget* old, QWidget* now) { guarded([&] { applicationFocusChanged(old, now); }); });
    FillEraList();
    ArrangeParts(true);
}

QLineEdit* TPellanExDateEdit::numberField(TPart p) const {
    return qobject_cast<QLineEdit*>(m_parts[p]);
}

QComboBox* TPellanExDateEdit::selector(TPart p) const {
    return qobject_cast<QComboBox*>(m_parts[p]);
}

QStringList TPellanExDateEdit::eraNames() const {
    QStringList out;
    const QComboBox* era = selector(ptEra);
    for (int i = 0; i < era->count(); ++i)
        if (era->itemText(i) != kSeireki)
            out << era->itemText(i);
    return out;
}

bool TPellanExDateEdit::shown(TPart p) const {
    switch (p) {
    case ptEra:
        return m_editGengo && hasDate();
    case ptYear:
        return hasDate();
    case ptMonth:
        return m_editStyle <= desYearMonth;
    case ptDay:
        return m_editStyle <= desYearMonthDay;
    case ptAmpm:
        return m_editAmpm && hasTime();
    case ptHour:
        return hasTime();
    case ptMinute:
        return m_editStyle == desYearMonthDayHMS || m_editStyle == desYearMonthDayHM ||
               m_editStyle == desHourMinuteSecond || m_editStyle == desHourMinute;
    case ptSecond:
        return m_editStyle == desYearMonthDayHMS || m_editStyle == desHourMinuteSecond;
    }
    return false;
}

// ---- layout and colours -----------------------------------------------------------------------------

void TPellanExDateEdit::ArrangeParts(bool clear) {
    const QFontMetrics fm(font());
    m_rowHeight = fm.height() + 8;
    const int h = m_rowHeight;
    const bool fourDigits = m_yeardigit == yddigit4 && m_gengo != rsWareki;
    const int selectorWidth = fm.horizontalAdvance(QStringLiteral("0000")) + 26;
    const int yearWidth = fourDigits ? fm.horizontalAdvance(QStringLiteral("0000")) + 20
                                     : fm.horizontalAdvance(QStringLiteral("00")) + 16;
    const int fieldWidth = fm.horizontalAdvance(QStringLiteral("00")) + 16;
    numberField(ptYear)->setMaxLength(fourDigits ? 4 : 2);

    for (int p = ptEra; p <= ptSecond; ++p) {
        const bool visible = shown(TPart(p));
        m_parts[size_t(p)]->setVisible(visible);
        if (!visible)
            m_parts[size_t(p)]->setGeometry(0, 0, 0, h);
    }
    // Date group, then time group: each field is followed by its caption box, the next part overlaps
    // the box's right edge by 3 pixels.
    auto place = [&](TPart p, int labelIndex, int x, int top, int width) {
        m_parts[p]->setGeometry(x, top, width, h);
        TPellanExDateEditLabel* l = m_labels[size_t(labelIndex)];
        const int lw = fm.horizontalAdvance(m_labelTexts[size_t(labelIndex)]) + 14;
        l->setVisible(true);
        l->setGeometry(x + width, top, lw, h);
        return x + width + lw;
    };
    for (TPellanExDateEditLabel* l : m_labels)
        l->setVisible(false);
    int dateRight = 0;
    if (hasDate()) {
        int x = 0;
        if (shown(ptEra)) {
            m_parts[ptEra]->setGeometry(0, 0, selectorWidth, h);
            x = selectorWidth - 2;
        }
        x = dateRight = place(ptYear, 0, x, 0, yearWidth);
        if (shown(ptMonth))
            x = dateRight = place(ptMonth, 1, x - 3, 0, fieldWidth);
        if (shown(ptDay))
            dateRight = place(ptDay, 2, x - 3, 0, fieldWidth);
    }
    int timeRight = 0;
    int height = h;
    if (hasTime()) {
        int x = 0, top = 0;
        if (hasDate()) {
            if (m_spaceWidth >= 0) {
                x = dateRight + m_spaceWidth;
            } else {
                top = h - m_spaceWidth;
                height = 2 * h - m_spaceWidth;
            }
        }
        if (shown(ptAmpm)) {
            m_parts[ptAmpm]->setGeometry(x, top, selectorWidth, h);
            x += selectorWidth - 2;
        }
        x = timeRight = place(ptHour, 3, x, top, fieldWidth);
        if (shown(ptMinute))
            x = timeRight = place(ptMinute, 4, x - 3, top, fieldWidth);
        if (shown(ptSecond))
            timeRight = place(ptSecond, 5, x - 3, top, fieldWidth);
    }
    if (m_editStyle == desYearMonth || m_editStyle == desYear) {
        numberField(ptDay)->setText(QStringLiteral("1"));
        if (m_editStyle == desYear)
            numberField(ptMonth)->setText(QStringLiteral("1"));
    }
    setFixedSize(std::max(dateRight, timeRight), height);
    if (clear)
        ClearParts();
    ApplyPartColors();
}

void TPellanExDateEdit::setPartColors(QWidget* part, TColor back, TColor font) {
    // Every colour group: a disabled part shows the colours given for it, not the style's grey. A
    // system colour as font colour reads the palette with the background already set.
    QPalette pal = part->palette();
    const QColor backColour = toQColor(back, pal);
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Button})
        pal.setColor(role, backColour);
    const QColor fontColour = toQColor(font, pal);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText})
        pal.setColor(role, fontColour);
    part->setPalette(pal);
}

void TPellanExDateEdit::ApplyPartColors() {
    const bool enabled = isEnabled();
    const TColor fontColor = fromQColor(palette().color(QPalette::WindowText));
    for (TPart p : {ptEra, ptYear, ptMonth, ptDay, ptHour, ptMinute, ptSecond})
        setPartColors(m_parts[p], enabled ? m_color : m_disableColor,
                      enabled ? fontColor : m_disableFontColor);
}

// ---- eras ------------------------------------------------------------------------------------------------

const TGengoArray& TPellanExDateEdit::eraList() const {
    return m_useWarekiTable && !m_filteredEras.isEmpty() ? m_filteredEras : platformEras();
}

void TPellanExDateEdit::FillEraList() {
    QComboBox* era = selector(ptEra);
    era->clear();
    if (m_gengo != rsWareki)
        era->addItem(kSeireki);
    for (const TGengoRec& rec : eraList()) {
        if (rec.Name.isEmpty())
            break;
        era->addItem(rec.Name);
    }
    era->setCurrentIndex(-1);
}

// The list lost its selection: the value shown again selects the era that goes with the year field.
void TPellanExDateEdit::refreshEraList() {
    FillEraList();
    if (m_value != emptyMarker())
        DisplayValue(m_value);
}

void TPellanExDateEdit::FilterEraTable() {
    const qsizetype n = m_eraTable.size();
    qsizetype newest = 0, oldest = n - 1;
    const TDateTime earliest = TDateTime::fromDate(1873, 1, 2);
    const TDateTime end = TDateTime::fromDate(2101, 1, 1);
    if (m_minDate != emptyMarker() && m_minDate > earliest) {
        for (qsizetype i = 0; i < n; ++i) {
            const TDateTime spanEnd = i == 0 ? end : m_eraTable[i - 1].StartDate;
            if (m_eraTable[i].StartDate <= m_minDate && m_minDate < spanEnd) {
                oldest = i;
                break;
            }
        }
    }
    if (m_maxDate != emptyMarker() && m_maxDate > earliest && m_maxDate < end) {
        for (qsizetype i = 0; i < n; ++i) {
            if (m_eraTable[i].StartDate <= m_maxDate) {
                newest = i;
                break;
            }
        }
    }
    if (newest > oldest) {
        newest = 0;
        oldest = n - 1;
    }
    m_filteredEras = n > 0 ? m_eraTable.mid(newest, oldest - newest + 1) : TGengoArray();
    refreshEraList();
}

void TPellanExDateEdit::SetEraTable(const TGengoArray& table) {
    m_useWarekiTable = true;
    m_eraTable = table;
    FilterEraTable();
}

TWarekiRec TPellanExDateEdit::EraOfDate(TDateTime date) const {
    TWarekiRec w;
    const QDate d = date.toDate();
    w.Month = qint16(d.month());
    w.Day = qint16(d.day());
    for (const TGengoRec& era : eraList()) {
        if (era.Name.isEmpty())
            break;
        if (d >= era.StartDate.toDate()) {
            w.Name = era.Name;
            w.Letter = era.Letter;
            w.Year = qint16(d.year() - era.StartYear + 1);
            return w;
        }
    }
    w.Year = qint16(d.year());
    return w;
}

// ---- value and fields
// --------------------------------------------------------------------------------------

void TPellanExDateEdit::DisplayValue(TDateTime value) {
    const QDate d = value.toDate();
    if (hasDate() && value >= lowerLimit()) {
        QComboBox* era = selector(ptEra);
        if (m_gengo == rsSeireki) {
            era->setCurrentIndex(0);
            numberField(ptYear)->setText(
                QString::number(m_yeardigit == yddigit2 ? d.year() % 100 : d.year()));
        } else {
            const TWarekiRec w = EraOfDate(value);
            era->setCurrentIndex(w.Name.isEmpty() ? -1 : era->findText(w.Name));
            numberField(ptYear)->setText(QString::number(w.Year));
        }
        numberField(ptMonth)->setText(QString::number(d.month()));
        numberField(ptDay)->setText(QString::number(d.day()));
    }
    // Midnight is a time like any other.
    if (hasTime()) {
        const QTime t = value.toTime();
        int hour = t.hour();
        if (m_editAmpm) {
            selector(ptAmpm)->setCurrentIndex(hour >= 12 ? 1 : 0);
            if (hour >= 12)
                hour -= 12;
        }
        numberField(ptHour)->setText(QString::number(hour));
        numberField(ptMinute)->setText(QString::number(t.minute()));
        numberField(ptSecond)->setText(QString::number(t.second()));
    }
    m_empty = false;
}

void TPellanExDateEdit::ClearParts() {
    selector(ptEra)->setCurrentIndex(-1);
    selector(ptAmpm)->setCurrentIndex(-1);
    m_value = m_previousValue = emptyMarker();
    for (TPart p : {ptYear, ptMonth, ptDay, ptHour, ptMinute, ptSecond})
        if (shown(p))
            numberField(p)->clear();
    m_empty = true;
}

TDateTime TPellanExDateEdit::ClampToLimits(TDateTime value) const {
    if (value == emptyMarker())
        return value;
    if (m_minDate != emptyMarker() && value < m_minDate)
        return m_minDate;
    if (m_maxDate != emptyMarker() && value > m_maxDate)
        return m_maxDate;
    return value;
}

// The value in the form the style edits, for messages.
QString TPellanExDateEdit::valueText(TDateTime value) const {
    const QString date = value.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    const QString time = value.toTime().toString(QStringLiteral("HH:mm:ss"));
    if (!hasTime())
        return date;
    return hasDate() ? date + u' ' + time : time;
}

void TPellanExDateEdit::assignValue(TDateTime value) {
    if (value == emptyMarker()) {
        ClearParts();
        return;
    }
    TDateTime kept = value;
    if (!hasTime())
        kept = value.dateOnly();
    else if (!hasDate())
        kept = TDateTime(value.toTime().msecsSinceStartOfDay() / 86400000.0);
    if (hasDate())
        kept = ClampToLimits(kept);
    // Before the lower limit there is nothing to show.
    if (hasDate() && kept < lowerLimit()) {
        ClearParts();
        return;
    }
    m_value = m_previousValue = kept;
    DisplayValue(kept);
}

TDateTime TPellanExDateEdit::DateTime() {
    if (!Validate())
        return TDateTime();
    return m_value == emptyMarker() ? TDateTime() : m_value;
}

void TPellanExDateEdit::setDateTime(TDateTime value) {
    m_errorCode = 0;
    if (value.isNull()) {
        ClearParts();
        return;
    }
    if (!std::isfinite(value.value()) || !value.toDate().isValid() || value.toDate().year() > 9999) {
        ClearParts();
        ShowInputError(ecBadValue, kMsgBadValue, nullptr);
        return;
    }
    assignValue(value);
}

bool TPellanExDateEdit::ShowInputError(quint16 code, const QString& message, QWidget* part) {
    m_errorCode = code;
    if (m_displayError)
        ui::showMessage(ui::MsgKind::Information, message, ui::mbOK, m_dialogCaption);
    FocusPart(part);
    return false;
}

void TPellanExDateEdit::FocusPart(QWidget* part) {
    if (!isEnabled() || !isVisible())
        return;
    if (!(part && part->isVisible() && part->isEnabled())) {
        part = nullptr;
        for (TPart p : {ptEra, ptYear, ptAmpm, ptHour})
            if (m_parts[p]->isVisible() && m_parts[p]->isEnabled()) {
                part = m_parts[p];
                break;
            }
    }
    if (part)
        part->setFocus(Qt::OtherFocusReason);
    m_hasFocus = true;
}

bool TPellanExDateEdit::Validate() {
    m_errorCode = 0;
    QComboBox* era = selector(ptEra);
    QComboBox* ampm = selector(ptAmpm);
    if (!m_editGengo)
        era->setCurrentIndex(-1);
    auto text = [&](TPart p) { return numberField(p)->text().trimmed(); };

    const TPart numbers[] = {ptYear, ptMonth, ptDay, ptHour, ptMinute, ptSecond};
    bool allBlank = true;
    for (TPart p : numbers)
        if (shown(p) && !text(p).isEmpty())
            allBlank = false;
    if (allBlank) {
        m_empty = true;
        if (!m_canEmpty)
            return ShowInputError(ecAllBlank, kMsgAllBlank, nullptr);
        ClearParts();
        return true;
    }

    const bool eraBlank = shown(ptEra) && era->currentIndex() < 0;
    quint16 blanks = 0;
    QWidget* firstBlank = eraBlank ? era : nullptr;
    const std::pair<TPart, quint16> bits[] = {
        {ptYear, ecBlankYear}, {ptMonth, ecBlankMonth},   {ptDay, ecBlankDay},      {ptAmpm, ecBlankAmpm},
        {ptHour, ecBlankHour}, {ptMinute, ecBlankMinute}, {ptSecond, ecBlankSecond}};
    for (auto [p, bit] : bits) {
        if (!shown(p))
            continue;
        const bool blank = p == ptAmpm ? ampm->currentIndex() < 0 : text(p).isEmpty();
        if (blank) {
            blanks |= bit;
            if (!firstBlank)
                firstBlank = m_parts[p];
        }
    }
    if (blanks) {
        if (eraBlank)
            blanks |= ecBlankYear;
        return ShowInputError(blanks, kMsgBlank, firstBlank);
    }

    QTime time(0, 0);
    if (shown(ptHour)) {
        int hour = readNumber(text(ptHour));
        const int minute = shown(ptMinute) ? readNumber(text(ptMinute)) : 0;
        const int second = shown(ptSecond) ? readNumber(text(ptSecond)) : 0;
        const bool twelve = shown(ptAmpm) && ampm->currentIndex() >= 0;
        const QString& limit = twelve ? kMsgTime12 : kMsgTime24;
        if (hour >= (twelve ? 12 : 24))
            return ShowInputError(ecTime, limit, m_parts[ptHour]);
        if (minute > 59 || second > 59)
            return ShowInputError(ecTime, limit, m_parts[ptMinute]);
        if (twelve && ampm->currentIndex() == 1)
            hour += 12;
        time = QTime(hour, minute, second);
        if (!time.isValid())
            return ShowInputError(ecTime, kMsgTimeInvalid, shown(ptAmpm) ? ampm : m_parts[ptHour]);
    }

    QDate date = m_maxDate != emptyMarker() ? m_maxDate.toDate() : QDate::currentDate();
    if (hasDate()) {
        int eraIndex = std::max(0, era->currentIndex());
        if (m_gengo == rsWareki)
            ++eraIndex;
        const int number = readNumber(text(ptYear));
        int year = number;
        if (eraIndex == 0) {
            if (m_yeardigit == yddigit2)
                year += QDate::currentDate().year() / 100 * 100;
        } else if (eraIndex - 1 < eraList().size()) {
            year = number + eraList()[eraIndex - 1].StartYear - 1;
        }
        const int month = shown(ptMonth) ? readNumber(text(ptMonth)) : 1;
        const int day = shown(ptDay) ? readNumber(text(ptDay)) : 1;
        date = QDate(year, month, day);
        if (!date.isValid())
            return ShowInputError(ecDate, kMsgDateInvalid, m_parts[ptYear]);
        if (year < 1873)
            return ShowInputError(ecBeforeLowerLimit, kMsgBeforeLimit, m_parts[ptYear]);
        if (year >= 2999 && m_gengo != rsSeireki)
            return ShowInputError(ecEraYear, kMsgEraYear, m_parts[ptYear]);
    }

    const TDateTime typed = combine(date, time);
    const TDateTime value = ClampToLimits(typed);
    if (value != typed && m_displayError)
        ui::showMessage(ui::MsgKind::Information, kMsgReplaced.arg(valueText(value)), ui::mbOK,
                        m_dialogCaption);
    m_value = m_previousValue = value;
    DisplayValue(value);
    return true;
}

// ---- keys and focus -----------------------------------------------------------------------------------

bool TPellanExDateEdit::PartKey(QWidget* part, QKeyEvent* e) {
    Q_EMIT OnKeyDown(part, e->key(), e->modifiers());
    auto* combo = dynamic_cast<TDateSelector*>(part);
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (combo && combo->listOpen())
            combo->hidePopup();
        if (m_enterNext)
            focusNextPrevChild(!(e->modifiers() & Qt::ShiftModifier));
        return true;
    case Qt::Key_Down:
        if (!m_dropDownKey)
            return false;
        if (combo && !combo->listOpen())
            combo->showPopup();
        return true;
    case Qt::Key_Delete:
        if (combo) {
            const bool hadText = combo->currentIndex() >= 0;
            combo->setCurrentIndex(-1);
            if (hadText)
                PartChange(part);
            return true;
        }
        return false;
    default:
        break;
    }
    const QString typed = e->text();
    if (typed.size() != 1 || e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab)
        return false;
    const QChar c = typed[0];
    Q_EMIT OnKeyPress(part, c);
    if (c == u'\b' || c == QChar(27))
        return false;
    // Number fields take digits, selectors nothing typed.
    return combo || c < u'0' || c > u'9';
}

void TPellanExDateEdit::PartEnter(QWidget* part) {
    if (!m_tabStop)
        for (QWidget* p : m_parts)
            p->setFocusPolicy(Qt::StrongFocus);
    part->setToolTip(toolTip());
    setPartColors(part, m_focusedColor, fromQColor(palette().color(QPalette::WindowText)));
    if (auto* field = qobject_cast<QLineEdit*>(part)) {
        if (m_autoSelect)
            field->selectAll();
        else
            field->setCursorPosition(0);
    }
    m_hasFocus = true;
}

void TPellanExDateEdit::PartExit(QWidget* part) {
    setPartColors(part, isEnabled() ? m_color : m_disableColor,
                  isEnabled() ? fromQColor(palette().color(QPalette::WindowText)) : m_disableFontColor);
}

void TPellanExDateEdit::PartChange(QWidget* part) {
    Q_EMIT OnChange(part);
}

void TPellanExDateEdit::PartClick(QWidget* part) {
    Q_EMIT OnClick(part);
}

bool TPellanExDateEdit::owns(const QWidget* w) const {
    for (; w; w = w->parentWidget())
        if (w == this)
            return true;
    return false;
}

// The focus left the control (a selector's list belongs to the control): check when asked to, and let
// the parts fall back to their own tab stops. A failed check has put the focus back on a part.
void TPellanExDateEdit::applicationFocusChanged(QWidget* old, QWidget* now) {
    if (!m_hasFocus || !now || !owns(old) || owns(now))
        return;
    if (m_exitCheck && !Validate())
        return;
    for (QWidget* p : m_parts)
        p->setFocusPolicy(m_tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    m_hasFocus = false;
}

void TPellanExDateEdit::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    guarded([&] { FocusPart(nullptr); });
}

void TPellanExDateEdit::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    guarded([&] {
        if (e->type() == QEvent::EnabledChange)
            ApplyPartColors();
        else if (e->type() == QEvent::FontChange)
            ArrangeParts(false);
    });
}

// ---- properties --------------------------------------------------------------------------------------

TDateTime TPellanExDateEdit::MinDate() const {
    return m_minDate == emptyMarker() ? TDateTime() : m_minDate;
}

TDateTime TPellanExDateEdit::MaxDate() const {
    return m_maxDate == emptyMarker() ? TDateTime() : m_maxDate;
}

void TPellanExDateEdit::setMinDate(TDateTime d) {
    const TDateTime v = d.isNull() ? emptyMarker() : d;
    if (v == m_minDate)
        return;
    m_minDate = v;
    FilterEraTable();
    assignValue(m_value);
}

void TPellanExDateEdit::setMaxDate(TDateTime d) {
    const TDateTime v = d.isNull() ? emptyMarker() : d;
    if (v == m_maxDate)
        return;
    m_maxDate = v;
    FilterEraTable();
    assignValue(m_value);
}

void TPellanExDateEdit::setEditStyle(TPellanExDateEditStyle s) {
    if (s == m_editStyle)
        return;
    m_editStyle = s;
    ArrangeParts(true);
}

void TPellanExDateEdit::setEditGengo(bool on) {
    if (on == m_editGengo)
        return;
    m_editGengo = on;
    if (!on && m_gengo != rsSeireki) {
        m_gengo = rsSeireki;
        FillEraList();
    }
    ArrangeParts(false);
    if (m_value != emptyMarker())
        DisplayValue(m_value);
}

void TPellanExDateEdit::setEditAmpm(bool on) {
    if (on == m_editAmpm)
        return;
    m_editAmpm = on;
    ArrangeParts(false);
    if (m_value != emptyMarker())
        DisplayValue(m_value);
}

void TPellanExDateEdit::setYeardigit(TPellanExYeardigitSet d) {
    if (d == m_yeardigit)
        return;
    m_yeardigit = d;
    ArrangeParts(false);
    if (m_value != emptyMarker())
        DisplayValue(m_value);
}

// The typed input is taken in the mode it was typed in; the fields then show it in the new mode.
void TPellanExDateEdit::setGengo(TPellanExRekiSet g) {
    if (!m_editGengo)
        g = rsSeireki;
    if (g == m_gengo)
        return;
    Validate();
    m_gengo = g;
    refreshEraList();
    ArrangeParts(false);
}

void TPellanExDateEdit::setUseWarekiTable(bool on) {
    if (on == m_useWarekiTable)
        return;
    m_useWarekiTable = on;
    refreshEraList();
}

void TPellanExDateEdit::setLabelColor(TColor c) {
    m_labelColor = c;
    for (TPellanExDateEditLabel* l : m_labels)
        l->setBackground(c);
}

void TPellanExDateEdit::setLabelText(int i, const QString& text) {
    if (text == m_labelTexts[size_t(i)])
        return;
    m_labelTexts[size_t(i)] = text;
    m_labels[size_t(i)]->setCaption(text);
    ArrangeParts(false);
}

void TPellanExDateEdit::setSpaceWidth(int w) {
    if (w == m_spaceWidth)
        return;
    m_spaceWidth = w;
    ArrangeParts(false);
}

void TPellanExDateEdit::setTabStop(bool on) {
    m_tabStop = on;
    for (QWidget* p : m_parts)
        p->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

void TPellanExDateEdit::setColor(TColor c) {
    if (c == m_color)
        return;
    m_color = c;
    ApplyPartColors();
}

void TPellanExDateEdit::setDisableColor(TColor c) {
    if (c == m_disableColor)
        return;
    m_disableColor = c;
    ApplyPartColors();
}

void TPellanExDateEdit::setDisableFontColor(TColor c) {
    if (c == m_disableFontColor)
        return;
    m_disableFontColor = c;
    ApplyPartColors();
}
