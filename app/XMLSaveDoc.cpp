#include "app/XMLSaveDoc.h"

#include "platform/Cp932.h"
#include "platform/SafeSaveFile.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

// The codec module's CP932 mapping. The writer keeps one encoder open for the many texts of a file, as
// opening a converter costs more than converting a short name.

[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u':';
}

bool isNameChar(QChar c) {
    return isNameStart(c) || c.isDigit() || c == u'-' || c == u'.';
}

QByteArray encodeName(const QString& name) {
    bool valid = !name.isEmpty() && isNameStart(name.front());
    for (QChar c : name)
        valid = valid && isNameChar(c);
    if (!valid)
        fail(QStringLiteral("XMLの要素名または属性名が正しくありません: %1").arg(name));
    bool ok = false;
    QByteArray bytes = cp932::encode(name, &ok);
    if (!ok)
        fail(QStringLiteral("Shift_JISに変換できない文字が含まれています: %1").arg(name));
    return bytes;
}

// True when text is plain ASCII without markup or control characters: it is copied as it is.
bool isPlain(QStringView text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80 || u < 0x20 || u == '&' || u == '<' || u == '>' || u == '"' || u == '\'')
            return false;
    }
    return true;
}

// True when text holds no markup or control character: only its encoding changes it.
bool needsNoEscape(QStringView text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == '&' || u == '<' || u == '>' || u == '"' || u == '\'')
            return false;
    }
    return true;
}

// Seven bits a byte, the last byte below 0x80; at most ten bytes.
char* putNumber(char* p, quint64 v) {
    while (v >= 0x80) {
        *p++ = char((v & 0x7F) | 0x80);
        v >>= 7;
    }
    *p++ = char(v);
    return p;
}

// The output of the serialiser: appends without the checks of a shared byte array, in one buffer that is
// emptied after each piece handed on.
class Output {
public:
    explicit Output(qsizetype capacity) : m_buffer(size_t(capacity)) {}
    void put(const char* data, qsizetype size) {
        if (m_size + size_t(size) > m_buffer.size())
            m_buffer.resize(std::max(m_buffer.size() * 2, m_size + size_t(size)));
        std::memcpy(m_buffer.data() + m_size, data, size_t(size));
        m_size += size_t(size);
    }
    void put(QByteArrayView bytes) { put(bytes.data(), bytes.size()); }
    void put(char c) { put(&c, 1); }
    // Room for size more bytes at the end, which the caller fills.
    char* extend(qsizetype size) {
        if (m_size + size_t(size) > m_buffer.size())
            m_buffer.resize(std::max(m_buffer.size() * 2, m_size + size_t(size)));
        char* p = m_buffer.data() + m_size;
        m_size += size_t(size);
        return p;
    }
    QByteArrayView view() const { return QByteArrayView(m_buffer.data(), qsizetype(m_size)); }
    qsizetype size() const { return qsizetype(m_size); }
    void clear() { m_size = 0; }
    void truncate(qsizetype size) { m_size = std::min(m_size, size_t(size)); }

private:
    std::vector<char> m_buffer;
    size_t m_size = 0;
};

quint64 takeNumber(const char*& p) {
    quint64 v = 0;
    int shift = 0;
    for (;;) {
        const auto b = static_cast<unsigned char>(*p++);
        v |= quint64(b & 0x7F) << shift;
        if (b < 0x80)
            return v;
        shift += 7;
    }
}

} // namespace

// One element as the log keeps it: the distance back to its parent, its name, its attribute (name index + 1,
// 0 for none) with the escaped value, and its escaped text.
struct TXmlSaveDoc::Record {
    Node parent = NoNode;
    NameId name = 0;
    int attr = -1;
    QByteArrayView attrValue;
    QByteArrayView text;

    // Reads the record of node at p and moves p past it.
    static Record read(Node node, const char*& p) {
        Record r;
        const quint64 back = takeNumber(p);
        r.parent = back == 0 ? NoNode : Node(node - qint64(back));
        r.name = NameId(takeNumber(p));
        r.attr = int(takeNumber(p)) - 1;
        if (r.attr >= 0) {
            const qsizetype n = qsizetype(takeNumber(p));
            r.attrValue = QByteArrayView(p, n);
            p += n;
        }
        const qsizetype n = qsizetype(takeNumber(p));
        r.text = QByteArrayView(p, n);
        p += n;
        return r;
    }
};

// Writes elements as they are opened and closed. An element without text stays open after its attributes
// until the next event: a child completes it with ">", its close with "/>".
class TXmlSaveDoc::Emitter {
public:
    Emitter(const TXmlSaveDoc& doc, Output& out) : m_doc(doc), m_out(out) {}

    void open(Node node, const Record& r) {
        if (!m_stack.empty() && m_stack.back().second) {
            m_out.put('>');
            m_stack.back().second = false;
        }
        const Tag& tag = m_doc.m_tags[size_t(r.name)];
        m_out.put(tag.open);
        if (node == m_doc.m_root && !m_doc.m_nameSpace.isEmpty()) {
            m_out.put(" xmlns=\"");
            m_out.put(m_doc.m_nameSpace);
            m_out.put('"');
        }
        if (r.attr >= 0) {
            m_out.put(' ');
            m_out.put(m_doc.m_tags[size_t(r.attr)].name);
            m_out.put("=\"");
            m_out.put(r.attrValue);
            m_out.put('"');
        }
        const bool pending = r.text.isEmpty();
        if (!pending) {
            m_out.put('>');
            m_out.put(r.text);
        }
        m_stack.emplace_back(r.name, pending);
    }

    void close() {
        const auto& [name, pending] = m_stack.back();
        if (pending)
            m_out.put("/>");
        else
            m_out.put(m_doc.m_tags[size_t(name)].close);
        m_stack.pop_back();
    }

    bool empty() const { return m_stack.empty(); }
    // The open elements: name and whether the start tag still waits for its ">".
    std::vector<std::pair<NameId, bool>>& stack() { return m_stack; }

private:
    const TXmlSaveDoc& m_doc;
    Output& m_out;
    std::vector<std::pair<NameId, bool>> m_stack;
};

namespace {
constexpr qsizetype kChunk = 1 << 20;
}

// The file of a writer begun on it: the bytes of the elements added so far, handed to the temporary file in
// pieces of about kChunk bytes. The writer's open path is the emitter's stack of open elements.
struct TXmlSaveDoc::Stream {
    Stream(const TXmlSaveDoc& doc, const QString& target) : path(target), file(target), emitter(doc, out) {}
    void flush(qsizetype atLeast) {
        if (out.size() < atLeast || out.size() == 0)
            return;
        file.write(out.view());
        flushed += out.size();
        out.clear();
    }

    QString path;
    SafeSaveFile file;
    Output out{kChunk + 4096};
    Emitter emitter;
    qint64 flushed = 0;
    bool saved = false;
};

TXmlSaveDoc::TXmlSaveDoc(const QString& version, const QString& encoding, const QString& standalone)
    : m_encoder(cp932::makeEncoder()) {
    QByteArray declaration = "<?xml version=\"";
    appendEscaped(declaration, version);
    declaration += "\" encoding=\"";
    appendEscaped(declaration, encoding);
    declaration += '"';
    if (!standalone.isEmpty()) {
        declaration += " standalone=\"";
        appendEscaped(declaration, standalone);
        declaration += '"';
    }
    declaration += "?>\r\n";
    m_declaration = declaration;
}

TXmlSaveDoc::~TXmlSaveDoc() = default;

void TXmlSaveDoc::BeginFile(const QString& path) {
    if (m_count > 0 || m_stream)
        return;
    auto stream = std::make_unique<Stream>(*this, path);
    if (!stream->file.open())
        return;
    stream->out.put(m_declaration);
    m_stream = std::move(stream);
}

TXmlSaveDoc::Mark TXmlSaveDoc::GetMark() const {
    Mark mark;
    mark.count = m_count;
    mark.root = m_root;
    mark.logSize = m_log.size();
    mark.inOrder = m_inOrder;
    mark.openPath = m_openPath;
    if (m_stream) {
        mark.bytes = m_stream->flushed + m_stream->out.size();
        mark.openTags = m_stream->emitter.stack();
    }
    return mark;
}

void TXmlSaveDoc::Rollback(const Mark& mark) {
    if (mark.count > m_count || (m_stream && m_stream->saved))
        fail(QStringLiteral("XMLの要素を取り消せません。"));
    if (m_stream) {
        Stream& s = *m_stream;
        if (mark.bytes >= s.flushed) {
            s.out.truncate(mark.bytes - s.flushed);
        } else {
            s.file.truncate(mark.bytes);
            s.flushed = mark.bytes;
            s.out.clear();
        }
        s.emitter.stack() = mark.openTags;
    } else {
        m_log.truncate(mark.logSize);
    }
    m_count = mark.count;
    m_root = mark.root;
    m_inOrder = mark.inOrder;
    m_openPath = mark.openPath;
}

void TXmlSaveDoc::closeDownTo(Node parent) {
    Stream& s = *m_stream;
    if (s.saved)
        fail(QStringLiteral("XMLファイルは保存済みです。"));
    if (parent != NoNode && std::find(m_openPath.begin(), m_openPath.end(), parent) == m_openPath.end())
        fail(QStringLiteral("XMLの要素が文書の順に追加されていません。"));
    while (!m_openPath.empty() && m_openPath.back() != parent) {
        s.emitter.close();
        m_openPath.pop_back();
    }
}

void TXmlSaveDoc::writeOut(Node node, const Record& record) {
    Stream& s = *m_stream;
    closeDownTo(record.parent);
    s.emitter.open(node, record);
    m_openPath.push_back(node);
    ++m_count;
    s.flush(kChunk);
}

void TXmlSaveDoc::appendEscaped(QByteArray& out, const QString& text) {
    // Most texts of the file are digits or empty.
    if (isPlain(text)) {
        const qsizetype at = out.size();
        out.resize(at + text.size());
        char* p = out.data() + at;
        for (QChar c : text)
            *p++ = char(c.unicode());
        return;
    }
    // Japanese names mostly: converted as they are, into the output's own buffer.
    if (needsNoEscape(text)) {
        m_encoder.resetState();
        const qsizetype at = out.size();
        out.resize(at + m_encoder.requiredSpace(text.size()));
        char* end = m_encoder.appendToBuffer(out.data() + at, text);
        out.resize(m_encoder.hasError() ? at : end - out.constData());
        if (m_encoder.hasError())
            fail(QStringLiteral("Shift_JISに変換できない文字が含まれています: %1").arg(text));
        return;
    }
    QString escaped = EscapeText(text);
    for (QChar c : escaped) {
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            fail(QStringLiteral("XMLに書けない制御文字が含まれています: %1").arg(text));
    }
    // A bare CR would come back from a parser as LF.
    escaped.replace(u'\r', QStringLiteral("&#13;"));
    m_encoder.resetState();
    const QByteArray bytes = m_encoder.encode(escaped);
    if (m_encoder.hasError())
        fail(QStringLiteral("Shift_JISに変換できない文字が含まれています: %1").arg(text));
    out.append(bytes);
}

void TXmlSaveDoc::EncodeText(QByteArray& out, const QString& text) {
    appendEscaped(out, text);
}

QString TXmlSaveDoc::EscapeText(const QString& text) {
    QString result = text;
    result.replace(u'&', QStringLiteral("&amp;"));
    result.replace(u'<', QStringLiteral("&lt;"));
    result.replace(u'>', QStringLiteral("&gt;"));
    result.replace(u'"', QStringLiteral("&quot;"));
    result.replace(u'\'', QStringLiteral("&apos;"));
    return result;
}

TXmlSaveDoc::NameId TXmlSaveDoc::Intern(const QString& name) {
    auto it = m_names.constFind(name);
    if (it != m_names.constEnd())
        return it.value();
    const QByteArray bytes = encodeName(name);
    const NameId id = NameId(m_tags.size());
    m_tags.push_back({bytes, "<" + bytes, "</" + bytes + ">"});
    m_names.insert(name, id);
    return id;
}

int TXmlSaveDoc::internAttribute(const QString& name) {
    auto it = m_attributeNames.constFind(name);
    if (it != m_attributeNames.constEnd())
        return it.value();
    const QByteArray bytes = encodeName(name);
    const int id = int(m_tags.size());
    m_tags.push_back({bytes, {}, {}});
    m_attributeNames.insert(name, id);
    return id;
}

TXmlSaveDoc::Node TXmlSaveDoc::CreateRootNode(const QString& name, const QString& nameSpace) {
    const NameId id = Intern(name);
    QByteArray space;
    if (!nameSpace.isEmpty())
        appendEscaped(space, nameSpace);
    m_nameSpace = space;
    if (m_stream) {
        if (m_count > 0)
            fail(QStringLiteral("XMLの要素が文書の順に追加されていません。"));
        Record record;
        record.name = id;
        m_root = 0;
        writeOut(0, record);
        return m_root;
    }
    // A second document element leaves the first one out of the file.
    if (m_count > 0)
        m_inOrder = false;
    const Node node = m_count;
    char head[40];
    char* p = putNumber(head, 0);
    p = putNumber(p, quint64(id));
    p = putNumber(p, 0);
    p = putNumber(p, 0);
    m_log.append(head, p - head);
    ++m_count;
    m_root = node;
    m_openPath.assign(1, node);
    return node;
}

TXmlSaveDoc::Node TXmlSaveDoc::append(Node parent, NameId name, int attrName, QByteArrayView attrValue,
                                      QByteArrayView text) {
    if (parent == NoNode)
        parent = m_root;
    if (parent == NoNode)
        fail(QStringLiteral("XMLのルート要素がありません。"));
    if (parent < 0 || parent >= m_count)
        fail(QStringLiteral("XMLの親要素が正しくありません。"));
    if (name < 0 || size_t(name) >= m_tags.size() || m_tags[size_t(name)].open.isEmpty())
        fail(QStringLiteral("XMLの要素名が正しくありません。"));
    const Node node = m_count;
    if (m_stream) {
        Record record;
        record.parent = parent;
        record.name = name;
        record.attr = attrName;
        record.attrValue = attrValue;
        record.text = text;
        writeOut(node, record);
        return node;
    }
    if (m_inOrder) {
        while (!m_openPath.empty() && m_openPath.back() != parent)
            m_openPath.pop_back();
        if (m_openPath.empty())
            m_inOrder = false;
        else
            m_openPath.push_back(node);
    }
    char head[40];
    char* p = putNumber(head, quint64(node - parent));
    p = putNumber(p, quint64(name));
    p = putNumber(p, quint64(attrName + 1));
    if (attrName >= 0) {
        p = putNumber(p, quint64(attrValue.size()));
        m_log.append(head, p - head);
        m_log.append(attrValue);
        p = head;
    }
    p = putNumber(p, quint64(text.size()));
    m_log.append(head, p - head);
    m_log.append(text);
    ++m_count;
    return node;
}

TXmlSaveDoc::Node TXmlSaveDoc::AddNode(Node parent, const QString& name, const QString& attrName,
                                       const QString& attrValue) {
    return AddNode(parent, Intern(name), attrName, attrValue);
}

TXmlSaveDoc::Node TXmlSaveDoc::AddNode(Node parent, NameId name, const QString& attrName,
                                       const QString& attrValue) {
    if (attrName.isEmpty())
        return append(parent, name, -1, {}, {});
    const int attr = internAttribute(attrName);
    m_scratch.clear();
    appendEscaped(m_scratch, attrValue);
    return append(parent, name, attr, m_scratch, {});
}

void TXmlSaveDoc::AddTextNode(Node parent, const QString& name, const QString& attrName,
                              const QString& attrValue, const QString& text) {
    const NameId id = Intern(name);
    QByteArray encoded;
    appendEscaped(encoded, text);
    if (attrName.isEmpty()) {
        append(parent, id, -1, {}, encoded);
        return;
    }
    const int attr = internAttribute(attrName);
    m_scratch.clear();
    appendEscaped(m_scratch, attrValue);
    append(parent, id, attr, m_scratch, encoded);
}

void TXmlSaveDoc::AddTextNode(Node parent, NameId name, const QString& text) {
    m_scratch.clear();
    appendEscaped(m_scratch, text);
    append(parent, name, -1, {}, m_scratch);
}

void TXmlSaveDoc::AddEncodedTextNode(Node parent, NameId name, QByteArrayView encodedText) {
    append(parent, name, -1, {}, encodedText);
}

void TXmlSaveDoc::AddEncodedTextNodes(Node parent, const NameId* names, const QByteArrayView* encodedTexts,
                                      qsizetype count) {
    if (!m_stream || count < 2) {
        for (qsizetype i = 0; i < count; ++i)
            append(parent, names[i], -1, {}, encodedTexts[i]);
        return;
    }
    if (parent == NoNode)
        parent = m_root;
    if (parent < 0 || parent >= m_count)
        fail(QStringLiteral("XMLの親要素が正しくありません。"));
    for (qsizetype i = 0; i < count; ++i)
        if (names[i] < 0 || size_t(names[i]) >= m_tags.size() || m_tags[size_t(names[i])].open.isEmpty())
            fail(QStringLiteral("XMLの要素名が正しくありません。"));
    // All but the last child are written whole, as their next sibling would close them; the last one
    // stays open as a single element added does.
    closeDownTo(parent);
    Stream& s = *m_stream;
    auto& open = s.emitter.stack();
    if (open.back().second) {
        s.out.put('>');
        open.back().second = false;
    }
    // The elements' bytes are counted first and then copied into the room made for them at once.
    qsizetype size = 0;
    for (qsizetype i = 0; i + 1 < count; ++i) {
        const Tag& tag = m_tags[size_t(names[i])];
        size +=
            tag.open.size() + (encodedTexts[i].isEmpty() ? 2 : 1 + encodedTexts[i].size() + tag.close.size());
    }
    char* p = s.out.extend(size);
    const auto copy = [&p](const char* data, qsizetype n) {
        std::memcpy(p, data, size_t(n));
        p += n;
    };
    for (qsizetype i = 0; i + 1 < count; ++i) {
        const Tag& tag = m_tags[size_t(names[i])];
        copy(tag.open.constData(), tag.open.size());
        if (encodedTexts[i].isEmpty()) {
            copy("/>", 2);
        } else {
            *p++ = '>';
            copy(encodedTexts[i].data(), encodedTexts[i].size());
            copy(tag.close.constData(), tag.close.size());
        }
    }
    m_count += Node(count - 1);
    append(parent, names[count - 1], -1, {}, encodedTexts[count - 1]);
}

template <typename Sink> void TXmlSaveDoc::serialise(Sink&& sink, qsizetype chunkSize) const {
    Output out(chunkSize + 4096);
    out.put(m_declaration);
    Emitter emitter(*this, out);
    auto flush = [&] {
        if (out.size() >= chunkSize) {
            sink(out.view());
            out.clear();
        }
    };
    const char* p = m_log.constData();
    if (m_inOrder) {
        // The log is in document order: a record closes the open elements down to its parent.
        std::vector<Node> open;
        for (Node node = 0; node < m_count; ++node) {
            const Record r = Record::read(node, p);
            while (!open.empty() && open.back() != r.parent) {
                emitter.close();
                open.pop_back();
            }
            emitter.open(node, r);
            open.push_back(node);
            flush();
        }
    } else {
        // Child lists from the log, then a depth-first walk with an explicit stack from the document
        // element: a deep tree cannot overflow the stack.
        std::vector<const char*> at(static_cast<size_t>(m_count), nullptr);
        std::vector<Node> firstChild(size_t(m_count), NoNode), lastChild(size_t(m_count), NoNode),
            next(size_t(m_count), NoNode);
        for (Node node = 0; node < m_count; ++node) {
            at[size_t(node)] = p;
            const Record r = Record::read(node, p);
            if (r.parent == NoNode)
                continue;
            Node& last = lastChild[size_t(r.parent)];
            (last == NoNode ? firstChild[size_t(r.parent)] : next[size_t(last)]) = node;
            last = node;
        }
        std::vector<Node> open;
        Node node = m_root;
        while (node != NoNode) {
            const char* q = at[size_t(node)];
            emitter.open(node, Record::read(node, q));
            flush();
            if (firstChild[size_t(node)] != NoNode) {
                open.push_back(node);
                node = firstChild[size_t(node)];
                continue;
            }
            emitter.close();
            node = next[size_t(node)];
            while (node == NoNode && !open.empty()) {
                emitter.close();
                node = next[size_t(open.back())];
                open.pop_back();
            }
        }
    }
    while (!emitter.empty())
        emitter.close();
    out.put("\r\n", 2);
    sink(out.view());
}

QByteArray TXmlSaveDoc::toBytes() const {
    if (m_stream)
        fail(QStringLiteral("XMLはファイルに書き出されています。"));
    if (m_root == NoNode)
        fail(QStringLiteral("XMLのルート要素がありません。"));
    QByteArray all;
    serialise([&all](QByteArrayView piece) { all.append(piece); }, 1 << 20);
    return all;
}

void TXmlSaveDoc::SaveToFile(const QString& path) {
    if (m_root == NoNode)
        fail(QStringLiteral("XMLのルート要素がありません。"));
    if (m_stream) {
        Stream& s = *m_stream;
        if (path != s.path || s.saved)
            fail(QStringLiteral("ファイル %1 に書き込めません。").arg(path));
        while (!s.emitter.empty())
            s.emitter.close();
        m_openPath.clear();
        s.out.put("\r\n", 2);
        s.flush(0);
        s.saved = true;
        if (!s.file.commit())
            fail(QStringLiteral("ファイル %1 に書き込めません。%2").arg(path, s.file.errorString()));
        return;
    }
    // The file is written beside the target and renamed into place only when every byte has reached it.
    SafeSaveFile file(path);
    if (!file.open())
        fail(QStringLiteral("ファイル %1 を作成できません。%2").arg(path, file.errorString()));
    serialise([&](QByteArrayView piece) { file.write(piece); }, 1 << 20);
    if (!file.commit())
        fail(QStringLiteral("ファイル %1 に書き込めません。%2").arg(path, file.errorString()));
}
