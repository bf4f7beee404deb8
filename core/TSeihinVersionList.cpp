#include "core/TSeihinVersionList.h"

#include "core/TMojiBunkatu.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "platform/Registry.h"

namespace {

struct BuiltIn {
    const char* version;
    const char* name;
};

const BuiltIn kBuiltIns[] = {{"1.0.0", "09版"}, {"2.0.0", "10版"}, {"3.0.0", "11版"}};

int toIntOrZero(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

// Major and minor of a version text of exactly three dotted parts.
bool splitVersion(const QString& text, qint32& major, qint32& minor) {
    TMojiBunkatu splitter;
    splitter.Separator = u'.';
    splitter.Bunkatu(text);
    if (splitter.Count != 3)
        return false;
    major = toIntOrZero(splitter.GetMoji(0));
    minor = toIntOrZero(splitter.GetMoji(1));
    return true;
}

} // namespace

TSeihinVersionList::TSeihinVersionList() {
    switch (AppKind) {
    case 2:
        ProductWord = AppInfo.Solvarne.RegKey;
        break;
    case 3:
        ProductWord = AppInfo.Vorezuri.RegKey;
        break;
    default:
        ProductWord = AppInfo.Zaimu.RegKey;
        break;
    }
    Clear();
}

void TSeihinVersionList::Clear() {
    Versions.clear();
    Names.clear();
    Count = 0;
}

void TSeihinVersionList::append(qint32 major, qint32 minor, const QString& name) {
    Versions.append({major, minor, 0, name});
    Names.append(name);
}

bool TSeihinVersionList::listed(qint32 major, qint32 minor) const {
    for (const TDataVersionRec& v : Versions)
        if (v.Major == major && v.Minor == minor)
            return true;
    return false;
}

void TSeihinVersionList::Execute(quint8 sort) {
    Clear();
    if (!FirstEntryName.isEmpty())
        append(0, 0, FirstEntryName);
    if (TavrinoEdition == 0) {
        for (const BuiltIn& b : kBuiltIns) {
            qint32 major = 0, minor = 0;
            if (splitVersion(QString::fromLatin1(b.version), major, minor))
                append(major, minor, QString::fromUtf8(b.name));
        }
    }
    for (qint32 major = 4; major <= SystemDef.ProductMajor; ++major)
        append(major, 0, QStringLiteral("%1版").arg(major + 8));

    const QString rootKey = AppInfo.Application.RegKey;
    const QString word = ProductWord.toUpper();
    if (!word.isEmpty() && registry::keyExists(registry::Root::LocalMachine, rootKey)) {
        for (const QString& subKey : registry::subKeys(registry::Root::LocalMachine, rootKey)) {
            if (!subKey.toUpper().contains(word))
                continue;
            QString keyPath = rootKey;
            if (!keyPath.endsWith(u'\\'))
                keyPath += u'\\';
            keyPath += subKey;
            const registry::Value version =
                registry::readValue(registry::Root::LocalMachine, keyPath, QStringLiteral("Version"));
            if (version.type == registry::ValueType::Integer)
                throw std::runtime_error("The registry value \"Version\" is not a text.");
            qint32 major = 0, minor = 0;
            if (!splitVersion(version.text, major, minor))
                continue;
            if (listed(major, minor))
                continue;
            append(major, minor,
                   registry::readString(registry::Root::LocalMachine, keyPath, QStringLiteral("Type")));
        }
    }
    Count = qint32(Versions.size());
    if (sort == 1)
        Sort(1);
}

void TSeihinVersionList::Sort(quint8 order) {
    if (order == 0 || order == 1) {
        const qsizetype first = FirstEntryName.isEmpty() ? 0 : 1;
        const auto outOfOrder = [order](const TDataVersionRec& left, const TDataVersionRec& right) {
            if (left.Major == right.Major && left.Minor == right.Minor)
                return false;
            const bool rightSmaller =
                right.Major < left.Major || (right.Major == left.Major && right.Minor < left.Minor);
            return order == 0 ? rightSmaller : !rightSmaller;
        };
        for (qsizetype end = Versions.size() - 1; end > first; --end) {
            bool exchanged = false;
            for (qsizetype i = first; i < end; ++i) {
                if (outOfOrder(Versions[i], Versions[i + 1])) {
                    Versions.swapItemsAt(i, i + 1);
                    exchanged = true;
                }
            }
            if (!exchanged)
                break;
        }
    }
    Names.clear();
    for (const TDataVersionRec& v : Versions)
        Names.append(v.Name);
}

void TSeihinVersionList::GetText(QString& text) const {
    text.clear();
    for (const QString& name : Names)
        text += name + QStringLiteral("\r\n");
}

void TSeihinVersionList::GetVersionText(qint32 index, QString& text) const {
    text.clear();
    if (index < 0 || index >= Count || index >= Versions.size())
        return;
    const TDataVersionRec& v = Versions[index];
    if (v.Major == 0 && v.Minor == 0)
        return;
    text = QStringLiteral("%1.%2").arg(v.Major).arg(v.Minor);
}

void TSeihinVersionList::GetName(qint32 index, QString& text) const {
    text.clear();
    if (index < 0 || index >= Count || index >= Versions.size())
        return;
    text = Versions[index].Name;
}

qint32 TSeihinVersionList::IndexOfName(const QString& name) const {
    for (qsizetype i = 0; i < Versions.size(); ++i)
        if (Versions[i].Name == name)
            return qint32(i);
    return -1;
}
