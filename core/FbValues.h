#pragma once
// Money and TDateTime over the Firebird layer: money travels as a 4-decimal scaled integer, a date-time
// as its day count.

#include "core/Money.h"
#include "core/TDateTime.h"
#include "platform/firebird/FbQuery.h"

namespace fb {

inline void setMoney(Query& query, QAnyStringView name, Money value) {
    query.setScaled(name, value.raw(), 4);
}

inline void setDateTime(Query& query, QAnyStringView name, TDateTime value) {
    query.setDayCount(name, value.value());
}

inline Money asMoney(const Field& field) {
    return Money::fromRaw(field.asScaled(4));
}

inline TDateTime asDateTime(const Field& field) {
    return TDateTime(field.asDayCount());
}

} // namespace fb
