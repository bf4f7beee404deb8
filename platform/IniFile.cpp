#include "platform/IniFile.h"

#include "platform/Cp932.h"
#include "platform/SafeSaveFile.h"

#include <QFile>
#include <QFileInfo>

IniFile::IniFile(const QString& path, bool autoSave) : m_path(path), m_autoSave(autoSave) {
    reload();
}

bool IniFile::fileExists() const {
    return QFileInfo(m_path).isFile();
}

bool IniFile::reload() {
    m_preamble.clear();
    m_sections.clear();
    m_loadFailed = false;
    const QFileInfo info(m_path);
    if (!info.exists())
        return true;
    QFile f(m_path);
    // A FIFO would block the read; a folder or device is no ini file either.
    if (!info.isFile() || !f.open(QIODevice::ReadOnly)) {
        m_loadFailed = true;
        return false;
    }
    const QByteArray all = f.readAll();
    Section* current = nullptr;
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            end = all.size();
        qsizetype contentEnd = end;
        if (contentEnd > start && all.at(contentEnd - 1) == '\r')
            --contentEnd;
        Entry e;
        e.raw = all.mid(start, contentEnd - start);
        e.read = true;
        start = end + 1;
        const QString text = cp932::decode(e.raw);
        const QString trimmed = text.trimmed();
        if (trimmed.startsWith(u'[')) {
            qsizetype close = trimmed.indexOf(u']');
            QString name = (close > 0 ? trimmed.mid(1, close - 1) : trimmed.mid(1)).trimmed();
            m_sections.append(Section{name, std::move(e), {}});
            current = &m_sections.last();
            continue;
        }
        qsizetype eq = text.indexOf(u'=');
        if (eq > 0 && !trimmed.startsWith(u';')) {
            e.key = text.left(eq).trimmed();
            e.value = text.mid(eq + 1);
        }
        if (current)
            current->entries.append(std::move(e));
        else
            m_preamble.append(std::move(e));
    }
    return true;
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    for (const Section& s : m_sections)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

IniFile::Section* IniFile::findSection(const QString& name) {
    return const_cast<Section*>(static_cast<const IniFile*>(this)->findSection(name));
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    if (const Section* s = findSection(section))
        for (const Entry& e : s->entries)
            if (!e.key.isEmpty() && e.key.compare(key, Qt::CaseInsensitive) == 0)
                return e.value;
    return def;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const {
    const QString v = readString(section, key, QString()).trimmed();
    if (v.isEmpty())
        return def;
    bool ok = false;
    int n = 0;
    if (v.startsWith(u'$'))
        n = v.mid(1).toInt(&ok, 16);
    else if (v.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        n = v.mid(2).toInt(&ok, 16);
    else
        n = v.toInt(&ok, 10);
    return ok ? n : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& text) {
    // Line breaks in a value would start new keys or sections.
    QString value = text;
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    Section* s = findSection(section);
    if (!s) {
        m_sections.append(Section{section, {}, {}});
        s = &m_sections.last();
    }
    for (Entry& e : s->entries) {
        if (!e.key.isEmpty() && e.key.compare(key, Qt::CaseInsensitive) == 0) {
            e.value = value;
            e.changed = true;
            return commit();
        }
    }
    // New keys go after the last key of the section, before trailing blank lines.
    qsizetype pos = s->entries.size();
    while (pos > 0 && s->entries.at(pos - 1).key.isEmpty() && s->entries.at(pos - 1).raw.trimmed().isEmpty())
        --pos;
    Entry e;
    e.key = key;
    e.value = value;
    e.changed = true;
    s->entries.insert(pos, e);
    return commit();
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value) {
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString& section, const QString& key, bool value) {
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::sectionExists(const QString& section) const {
    return findSection(section) != nullptr;
}

bool IniFile::valueExists(const QString& section, const QString& key) const {
    if (const Section* s = findSection(section))
        for (const Entry& e : s->entries)
            if (!e.key.isEmpty() && e.key.compare(key, Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

QStringList IniFile::sections() const {
    QStringList out;
    for (const Section& s : m_sections)
        out << s.name;
    return out;
}

QStringList IniFile::keys(const QString& section) const {
    QStringList out;
    if (const Section* s = findSection(section))
        for (const Entry& e : s->entries)
            if (!e.key.isEmpty())
                out << e.key;
    return out;
}

QList<QPair<QString, QString>> IniFile::sectionValues(const QString& section) const {
    QList<QPair<QString, QString>> out;
    if (const Section* s = findSection(section))
        for (const Entry& e : s->entries)
            if (!e.key.isEmpty())
                out.append({e.key, e.value});
    return out;
}

bool IniFile::eraseSection(const QString& section) {
    bool removed = false;
    for (qsizetype i = m_sections.size() - 1; i >= 0; --i)
        if (m_sections.at(i).name.compare(section, Qt::CaseInsensitive) == 0) {
            m_sections.removeAt(i);
            removed = true;
        }
    return removed ? commit() : true;
}

bool IniFile::deleteKey(const QString& section, const QString& key) {
    Section* s = findSection(section);
    if (!s)
        return true;
    bool removed = false;
    for (qsizetype i = s->entries.size() - 1; i >= 0; --i)
        if (!s->entries.at(i).key.isEmpty() && s->entries.at(i).key.compare(key, Qt::CaseInsensitive) == 0) {
            s->entries.removeAt(i);
            removed = true;
        }
    return removed ? commit() : true;
}

bool IniFile::commit() {
    return m_autoSave ? save() : true;
}

bool IniFile::save(QString* error) const {
    QByteArray bytes;
    bool encoded = true;
    auto put = [&](const Entry& e, const QString& fresh) {
        if (e.read && !e.changed) {
            bytes += e.raw;
        } else {
            bool ok = false;
            bytes += cp932::encode(fresh, &ok);
            encoded = encoded && ok;
        }
        bytes += "\r\n";
    };
    for (const Entry& e : m_preamble)
        put(e, e.key + u'=' + e.value);
    for (const Section& s : m_sections) {
        put(s.header, u'[' + s.name + u']');
        for (const Entry& e : s.entries)
            put(e, e.key + u'=' + e.value);
    }
    if (!encoded) {
        if (error)
            *error = QStringLiteral("Shift-JISで表せない文字があります。");
        return false;
    }
    return SafeSaveFile::writeWhole(m_path, bytes, error);
}
