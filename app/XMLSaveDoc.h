#pragma once
// The writer of the intermediate XML file. It keeps the element tree itself and serialises it as CP932
// (Shift_JIS), because Qt's XML writers cannot produce that encoding. Names and texts are stored as
// given and escaped once, when they are added, so "A&B" reads back as "A&B". Element text is kept
// byte for byte: the blanks that fill fixed-width names survive.
//
// Two ways of holding the document. A writer begun on its file (BeginFile) writes each element as it is
// added to a temporary file beside the target, so memory stays the same however large the file grows;
// elements must then be added in document order (each under the element added last or one of its
// ancestors), and SaveToFile completes that file and renames it into place. Otherwise the tree is kept as a
// log of compact records in the order the elements were added and written in one pass when saved; adding
// under an element further up the tree works there too and costs a walk over child lists built when the
// file is written.
//
// A failure (a name that is no XML name, a character CP932 cannot hold, a file that cannot be written)
// throws std::runtime_error; a failed save leaves an existing file untouched and no partial file.

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringEncoder>
#include <memory>
#include <utility>
#include <vector>

class TXmlSaveDoc {
public:
    // A node of the tree; NoNode stands for "nil" (AddNode then appends to the document element).
    using Node = int;
    static constexpr Node NoNode = -1;
    // An element name taken in once (Intern) and then used for many elements without looking it up.
    using NameId = int;

    TXmlSaveDoc(const QString& version, const QString& encoding, const QString& standalone);
    ~TXmlSaveDoc();
    TXmlSaveDoc(const TXmlSaveDoc&) = delete;
    TXmlSaveDoc& operator=(const TXmlSaveDoc&) = delete;

    // Writes the document to path's temporary file while it is built; SaveToFile(path) then completes it.
    // Called before the first element. When the temporary file cannot be made the writer keeps the
    // document itself, and SaveToFile reports the failure as it would have.
    void BeginFile(const QString& path);
    bool writesToFile() const { return m_stream != nullptr; }

    // The elements added so far, to take back with Rollback the ones added after it (a part that failed
    // while it was being written). Valid until elements before it are taken back.
    struct Mark {
        Node count = 0;
        Node root = NoNode;
        qsizetype logSize = 0;
        qint64 bytes = 0;
        bool inOrder = true;
        std::vector<Node> openPath;
        std::vector<std::pair<NameId, bool>> openTags; // name, start tag not yet closed by ">"
    };
    Mark GetMark() const;
    void Rollback(const Mark& mark);

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

    // Text turned into the form the file holds (escaped, CP932) and appended to out, for a caller that
    // keeps many texts before it adds them; throws as AddTextNode would for a text that cannot be written.
    void EncodeText(QByteArray& out, const QString& text);
    // A text element whose text is already in that form.
    void AddEncodedTextNode(Node parent, NameId name, QByteArrayView encodedText);
    // count text elements under parent in this order, as count calls of AddEncodedTextNode would add them.
    void AddEncodedTextNodes(Node parent, const NameId* names, const QByteArrayView* encodedTexts,
                             qsizetype count);

    Node documentElement() const { return m_root; }

    // The whole file as bytes: declaration, CR LF, the document element, CR LF. Not for a writer begun on
    // its file.
    QByteArray toBytes() const;
    // A writer begun on a file saves to that path only.
    void SaveToFile(const QString& path);

private:
    struct Tag {
        QByteArray name, open, close; // "N", "<N", "</N>"
    };
    struct Record;
    class Emitter;
    struct Stream;

    Node append(Node parent, NameId name, int attrName, QByteArrayView attrValue, QByteArrayView text);
    // Writes the element to the file of a writer begun on it.
    void writeOut(Node node, const Record& record);
    // Closes the elements of the file's open path down to parent, which must lie on it.
    void closeDownTo(Node parent);
    int internAttribute(const QString& name);
    void appendEscaped(QByteArray& out, const QString& text);
    // Writes the tree in pieces of about chunkSize bytes; sink takes each piece.
    template <typename Sink> void serialise(Sink&& sink, qsizetype chunkSize) const;

    QStringEncoder m_encoder;
    QByteArray m_declaration;
    QByteArray m_nameSpace;
    std::vector<Tag> m_tags;
    QHash<QString, NameId> m_names;
    QHash<QString, int> m_attributeNames; // index into m_tags
    QByteArray m_log;                     // the records, one per element in the order added
    Node m_count = 0;
    Node m_root = NoNode;
    // The last element added and its ancestors, while every element went under one of them.
    std::vector<Node> m_openPath;
    bool m_inOrder = true;
    QByteArray m_scratch;
    std::unique_ptr<Stream> m_stream;
};
