#include "platform/IniFile.h"

#include "platform/Cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    QFile f(m_path);
    if (!f.exists())
        return true;
    if (!f.open(QIODevice::ReadOnly)) {
        m_loadFailed = true;
        return false;
    }
    const QByteArray all = f.readAll();
    const QList<QByteArray> lines = all.split('\n');
    Section* current = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (i == lines.size() - 1 && line.isEmpty())
            break;
        if (line.endsWith('\r'))
            line.chop(1);
        const QString text = cp932::decode(line);
        const QString trimmed = text.trimmed();
        if (trimmed.startsWith(u'[')) {
            qsizetype close = trimmed.indexOf(u']');
            QString name = (close > 0 ? trimmed.mid(1, close - 1) : trimmed.mid(1)).trimmed();
            m_sections.append(Section{name, {}});
            current = &m_sections.last();
            continue;
        }
        Entry e;
        e.raw = text;
        qsizetype eq = text.indexOf(u'=');
        if (eq > 0 && !trimmed.startsWith(u';')) {
            e.key = text.left(eq).trimmed();
            e.value = text.mid(eq + 1);
        }
        if (current)
            current->entries.append(e);
        else
            m_preamble.append(e);
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

bool IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    Section* s = findSection(section);
    if (!s) {
        m_sections.append(Section{section, {}});
        s = &m_sections.last();
    }
    for (Entry& e : s->entries) {
        if (!e.key.isEmpty() && e.key.compare(key, Qt::CaseInsensitive) == 0) {
            e.value = value;
            e.raw.clear();
            return commit();
        }
    }
    // New keys go after the last key of the section, before trailing blank lines.
    qsizetype pos = s->entries.size();
    while (pos > 0 && s->entries.at(pos - 1).key.isEmpty() && s->entries.at(pos - 1).raw.trimmed().isEmpty())
        --pos;
    s->entries.insert(pos, Entry{key, value, {}});
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

bool IniFile::save() const {
    QString text;
    auto lineOf = [](const Entry& e) {
        return e.raw.isEmpty() && !e.key.isEmpty() ? e.key + u'=' + e.value : e.raw;
    };
    for (const Entry& e : m_preamble)
        text += lineOf(e) + QStringLiteral("\r\n");
    for (const Section& s : m_sections) {
        text += u'[' + s.name + QStringLiteral("]\r\n");
        for (const Entry& e : s.entries)
            text += lineOf(e) + QStringLiteral("\r\n");
    }
    bool ok = false;
    const QByteArray bytes = cp932::encode(text, &ok);
    if (!ok)
        return false;
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(bytes) != bytes.size())
        return false;
    return f.commit();
}
