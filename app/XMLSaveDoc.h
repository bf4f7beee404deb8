#pragma once
// The writer of the intermediate XML file. It keeps the element tree itself and serialises it as CP932
// (Shift_JIS), because Qt's XML writers cannot produce that encoding. Names and texts are stored as
// given and escaped once, when the file is written, so "A&B" reads back as "A&B". Element text is kept
// byte for byte: the blanks that fill fixed-width names survive.
//
// A failure (a name that is no XML name, a character CP932 cannot hold, a file that cannot be written)
// throws std::runtime_error; a failed save leaves an existing file untouched and no partial file.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringEncoder>
#include <memory>
#include <vector>

class TXmlSaveDoc {
public:
    // A node of the tree; NoNode stands for "nil" (AddNode then appends to the document element).
    using Node = int;
    static constexpr Node NoNode = -1;
    // An element name taken in once (Intern) and then used for many elements without looking it up.
    using NameId = int;

    TXmlSaveDoc(const QString& version, const QString& encoding, const QString& standalone);

    static QString EscapeText(const QString& text);

    Node CreateRootNode(const QString& name, const QString& nameSpace = {});
    Node AddNode(Node parent, const QString& name, const QString& attrName = {},
                 const QString& attrValue = {});
    void AddTextNode(Node parent, const QString& name, const QString& attrName, const QString& attrValue,
                     const QString& text);
    void AddTextNode(Node parent, const QString& name, const QString& text) {
        AddTextNode(parent, name, {}, {}, text);
    }

    NameId Intern(const QString& name);
    Node AddNode(Node parent, NameId name, const QString& attrName = {}, const QString& attrValue = {});
    void AddTextNode(Node parent, NameId name, const QString& text);

    Node documentElement() const { return m_root; }

    // The whole file as bytes: declaration, CR LF, the document element, CR LF.
    QByteArray toBytes() const;
    void SaveToFile(const QString& path) const;

private:
    struct Element {
        NameId name = 0;
        Node firstChild = NoNode;
        Node lastChild = NoNode;
        Node next = NoNode;
        int attr = -1;
        qint64 textOffset = 0;
        qint64 textLength = 0;
    };
    // Elements in blocks of a fixed size, so that growing never moves the elements already added.
    class ElementStore {
    public:
        Element& operator[](Node i) { return m_blocks[size_t(i) >> Shift][i & Mask]; }
        const Element& operator[](Node i) const { return m_blocks[size_t(i) >> Shift][i & Mask]; }
        Node size() const { return m_size; }
        void push_back(const Element& e) {
            if ((m_size & Mask) == 0)
                m_blocks.push_back(std::make_unique<Element[]>(size_t(1) << Shift));
            m_blocks.back()[m_size & Mask] = e;
            ++m_size;
        }

    private:
        static constexpr int Shift = 14;
        static constexpr Node Mask = (1 << Shift) - 1;
        std::vector<std::unique_ptr<Element[]>> m_blocks;
        Node m_size = 0;
    };
    struct Attribute {
        QByteArray name;
        QByteArray value; // escaped
    };
    struct Tag {
        QByteArray open, close, empty; // "<N", "</N>", "<N/>"
    };

    void appendEscaped(QByteArray& out, const QString& text);
    Node append(Node parent, NameId name);
    void setText(Node node, const QString& text);
    void setAttribute(Node node, const QString& name, const QString& value);
    // Writes the tree in pieces of about chunkSize bytes; sink takes each piece.
    template <typename Sink> void serialise(Sink&& sink, qsizetype chunkSize) const;

    QStringEncoder m_encoder;
    QByteArray m_declaration;
    QByteArray m_nameSpace;
    ElementStore m_elements;
    std::vector<Attribute> m_attributes;
    std::vector<Tag> m_tags;
    QHash<QString, NameId> m_names;
    QByteArray m_texts; // escaped CP932 text of all elements, one after another
    Node m_root = NoNode;
};
