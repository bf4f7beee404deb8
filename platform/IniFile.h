#pragma once
// Ini files with Windows profile semantics: CP932 text, section and key names compared without case,
// the first occurrence of a section or key wins, CRLF line ends, values kept exactly as written after
// the "=". Writes go to the file at once (as the Windows profile functions do) unless auto-save is off;
// the file is replaced atomically, and a failed save keeps the old file whole.
//
// A rewrite keeps every line it does not change byte for byte, also bytes that are not valid CP932; every
// line ends in CR LF. A value never spans lines: CR and LF in a written value become blanks.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class IniFile {
public:
    explicit IniFile(const QString& path, bool autoSave = true);

    const QString& fileName() const { return m_path; }
    bool fileExists() const;
    // Reads the file again; a missing file gives an empty ini. False when it exists but cannot be read.
    bool reload();

    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    int readInteger(const QString& section, const QString& key, int def = 0) const;
    bool readBool(const QString& section, const QString& key, bool def = false) const;

    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
    bool writeBool(const QString& section, const QString& key, bool value);

    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;
    QStringList sections() const;
    QStringList keys(const QString& section) const;
    QList<QPair<QString, QString>> sectionValues(const QString& section) const;
    bool eraseSection(const QString& section);
    bool deleteKey(const QString& section, const QString& key);

    // Writes the whole file (temporary file renamed into place). False on failure.
    // error: why the file could not be written, for a message.
    bool save(QString* error = nullptr) const;
    bool lastLoadFailed() const { return m_loadFailed; }

private:
    // A line keeps its bytes as read (without the line end) until it is changed; a changed or new line is
    // written from key and value.
    struct Entry {
        QString key; // empty for a line that is not a key (comment, blank)
        QString value;
        QByteArray raw;
        bool read = false;
        bool changed = false;
    };
    struct Section {
        QString name;
        Entry header;
        QList<Entry> entries;
    };
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    bool commit();

    QString m_path;
    bool m_autoSave;
    bool m_loadFailed = false;
    QList<Entry> m_preamble;
    QList<Section> m_sections;
};
