#include "XmlReadBack.h"

#include "platform/Cp932.h"

#include <QFile>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

QString XmlElement::attribute(const QString& n) const {
    for (const auto& [k, v] : attributes)
        if (k == n)
            return v;
    return {};
}

const XmlElement* XmlElement::child(const QString& n) const {
    for (const auto& c : children)
        if (c->name == n)
            return c.get();
    return nullptr;
}

std::vector<const XmlElement*> XmlElement::childrenNamed(const QString& n) const {
    std::vector<const XmlElement*> list;
    for (const auto& c : children)
        if (c->name == n)
            list.push_back(c.get());
    return list;
}

QStringList XmlElement::childNames() const {
    QStringList names;
    for (const auto& c : children)
        names << c->name;
    return names;
}

QString XmlElement::childText(const QString& n) const {
    const XmlElement* c = child(n);
    EXPECT_NE(c, nullptr) << "no element " << n.toStdString() << " under " << name.toStdString();
    return c ? c->text : QString();
}

XmlFile parseXml(const QByteArray& bytes) {
    XmlFile file;
    // The parser gets decoded text, so it does not need a Shift_JIS codec of its own.
    QXmlStreamReader reader(cp932::decode(bytes));
    std::vector<XmlElement*> stack;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            file.version = reader.documentVersion().toString();
            file.encoding = reader.documentEncoding().toString();
            file.standaloneDeclared = bytes.contains("standalone");
            break;
        case QXmlStreamReader::StartElement: {
            auto e = std::make_unique<XmlElement>();
            e->name = reader.name().toString();
            for (const auto& a : reader.attributes())
                e->attributes.emplace_back(a.name().toString(), a.value().toString());
            XmlElement* raw = e.get();
            if (stack.empty())
                file.root = std::move(e);
            else
                stack.back()->children.push_back(std::move(e));
            stack.push_back(raw);
            break;
        }
        case QXmlStreamReader::EndElement:
            stack.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (!stack.empty())
                stack.back()->text += reader.text().toString();
            break;
        default:
            break;
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return file;
}

XmlFile readXmlFile(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return parseXml(f.readAll());
}
