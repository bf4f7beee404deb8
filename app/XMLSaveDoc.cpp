#include "app/XMLSaveDoc.h"

#include "platform/Cp932.h"

#include <QSaveFile>
#include <stdexcept>

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

} // namespace

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
    m_tags.push_back({"<" + bytes, "</" + bytes + ">", "<" + bytes + "/>"});
    m_names.insert(name, id);
    return id;
}

TXmlSaveDoc::Node TXmlSaveDoc::CreateRootNode(const QString& name, const QString& nameSpace) {
    const NameId id = Intern(name);
    m_nameSpace.clear();
    if (!nameSpace.isEmpty())
        appendEscaped(m_nameSpace, nameSpace);
    m_elements.push_back(Element{id});
    m_root = Node(m_elements.size() - 1);
    return m_root;
}

TXmlSaveDoc::Node TXmlSaveDoc::append(Node parent, NameId name) {
    if (parent == NoNode)
        parent = m_root;
    if (parent == NoNode)
        fail(QStringLiteral("XMLのルート要素がありません。"));
    if (parent < 0 || parent >= Node(m_elements.size()))
        fail(QStringLiteral("XMLの親要素が正しくありません。"));
    const Node node = Node(m_elements.size());
    m_elements.push_back(Element{name});
    Element& p = m_elements[parent];
    if (p.lastChild == NoNode)
        p.firstChild = node;
    else
        m_elements[p.lastChild].next = node;
    p.lastChild = node;
    return node;
}

void TXmlSaveDoc::setText(Node node, const QString& text) {
    Element& e = m_elements[node];
    e.textOffset = m_texts.size();
    appendEscaped(m_texts, text);
    e.textLength = m_texts.size() - e.textOffset;
}

void TXmlSaveDoc::setAttribute(Node node, const QString& name, const QString& value) {
    if (name.isEmpty())
        return;
    Attribute a{encodeName(name), {}};
    appendEscaped(a.value, value);
    m_elements[node].attr = int(m_attributes.size());
    m_attributes.push_back(std::move(a));
}

TXmlSaveDoc::Node TXmlSaveDoc::AddNode(Node parent, const QString& name, const QString& attrName,
                                       const QString& attrValue) {
    return AddNode(parent, Intern(name), attrName, attrValue);
}

TXmlSaveDoc::Node TXmlSaveDoc::AddNode(Node parent, NameId name, const QString& attrName,
                                       const QString& attrValue) {
    const Node node = append(parent, name);
    setAttribute(node, attrName, attrValue);
    return node;
}

void TXmlSaveDoc::AddTextNode(Node parent, const QString& name, const QString& attrName,
                              const QString& attrValue, const QString& text) {
    const Node node = append(parent, Intern(name));
    setText(node, text);
    setAttribute(node, attrName, attrValue);
}

void TXmlSaveDoc::AddTextNode(Node parent, NameId name, const QString& text) {
    setText(append(parent, name), text);
}

template <typename Sink> void TXmlSaveDoc::serialise(Sink&& sink, qsizetype chunkSize) const {
    QByteArray out;
    out.reserve(chunkSize + 4096);
    out += m_declaration;
    // Depth-first walk with an explicit stack of open elements: a deep tree cannot overflow the stack.
    std::vector<Node> open;
    Node node = m_root;
    while (node != NoNode) {
        const Element& e = m_elements[node];
        const Tag& tag = m_tags[e.name];
        const bool hasAttr = e.attr >= 0 || (node == m_root && !m_nameSpace.isEmpty());
        if (e.firstChild == NoNode && e.textLength == 0 && !hasAttr) {
            out += tag.empty;
        } else {
            out += tag.open;
            if (node == m_root && !m_nameSpace.isEmpty())
                out += " xmlns=\"" + m_nameSpace + '"';
            if (e.attr >= 0) {
                const Attribute& a = m_attributes[e.attr];
                out += ' ' + a.name + "=\"" + a.value + '"';
            }
            if (e.firstChild == NoNode && e.textLength == 0) {
                out += "/>";
            } else {
                out += '>';
                out.append(m_texts.constData() + e.textOffset, e.textLength);
                if (e.firstChild != NoNode) {
                    open.push_back(node);
                    node = e.firstChild;
                    continue;
                }
                out += tag.close;
            }
        }
        if (out.size() >= chunkSize) {
            sink(out);
            out.clear();
        }
        // Next sibling, or close the open elements until one has a next sibling.
        node = e.next;
        while (node == NoNode && !open.empty()) {
            const Node parent = open.back();
            open.pop_back();
            out += m_tags[m_elements[parent].name].close;
            node = m_elements[parent].next;
        }
    }
    out += "\r\n";
    sink(out);
}

QByteArray TXmlSaveDoc::toBytes() const {
    if (m_root == NoNode)
        fail(QStringLiteral("XMLのルート要素がありません。"));
    QByteArray all;
    serialise([&all](const QByteArray& piece) { all += piece; }, 1 << 20);
    return all;
}

void TXmlSaveDoc::SaveToFile(const QString& path) const {
    if (m_root == NoNode)
        fail(QStringLiteral("XMLのルート要素がありません。"));
    // QSaveFile writes a temporary file beside the target and renames it into place on commit; without
    // the commit the temporary file is removed and the target stays as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("ファイル %1 を作成できません。%2").arg(path, file.errorString()));
    bool written = true;
    serialise(
        [&](const QByteArray& piece) {
            if (written && file.write(piece) != piece.size())
                written = false;
        },
        1 << 20);
    if (!written || !file.commit())
        fail(QStringLiteral("ファイル %1 に書き込めません。%2").arg(path, file.errorString()));
}
