#include "core/TGamenKeyValue.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"

#include <optional>

namespace {

constexpr int kStyleNameBytes = 40;
constexpr int kValueBytes = 1024;

// Reports a failure of an operation that started the system transaction itself and commits that
// transaction; a caller's transaction is left to the caller, and its failure goes unreported.
void reportFailure(std::optional<OwnTransaction>& own, std::exception_ptr error, const QString& context,
                   const QString& message) noexcept {
    if (!own || !own->started())
        return;
    try {
        std::rethrow_exception(error);
    } catch (const fb::Error& e) {
        ErrFbAccess(e, context, message, true);
    } catch (const std::exception& e) {
        ShowErrDetail(message, QString::fromStdString(e.what()), ui::MsgKind::Error);
    } catch (...) {
        ShowErrDetail(message, QString(), ui::MsgKind::Error);
    }
    try {
        own->commit();
    } catch (...) {
        // The guard rolls the transaction back.
    }
}

} // namespace

TGamenKeyValue::TGamenKeyValue() : m_opcode(SystemDef.OPCODE) {}

void TGamenKeyValue::SetStyleName(const QString& Key) {
    m_styleName = LeftStrB((m_prefix + Key).toUpper(), kStyleNameBytes).trimmed();
}

void TGamenKeyValue::FukugenValue(const QString& Key, QString& Value) {
    m_value.clear();
    if (m_opcode == 0 || Key.isEmpty() || !DM)
        return;
    SetStyleName(Key);
    std::optional<OwnTransaction> own;
    try {
        own.emplace(DM->IBTransactionDEF);
        fb::Query q(DM->IBTransactionDEF);
        ReadStyleColorRow(q, m_opcode, m_styleName, Value);
        own->commit();
    } catch (...) {
        reportFailure(own, std::current_exception(), QStringLiteral("TGamenValue.FukugenValue"),
                      QStringLiteral("前回の画面値の取得に失敗しました。"));
    }
}

void TGamenKeyValue::HozonValue(const QString& Key, const QString& Value) {
    if (m_opcode == 0 || Key.isEmpty() || !DM)
        return;
    SetStyleName(Key);
    m_value = TrimZenkaku(Value);
    if (cp932::byteLength(m_value) > kValueBytes) {
        // Trailing blanks only: a leading blank would have gone with the trim above.
        m_value = HeadStrB(m_value, kValueBytes);
        while (m_value.endsWith(u' ') || m_value.endsWith(QChar(0x3000)))
            m_value.chop(1);
    }
    std::optional<OwnTransaction> own;
    try {
        own.emplace(DM->IBTransactionDEF);
        fb::Query q(DM->IBTransactionDEF);
        WriteStyleColorRow(q, m_opcode, m_styleName, m_value);
        own->commit();
    } catch (...) {
        reportFailure(own, std::current_exception(), QStringLiteral("TGamenValue.HozonValue"),
                      QStringLiteral("画面値の保存に失敗しました。"));
    }
}
