#pragma once
// Reads a written linkage file back through an XML parser into a small tree, for the tests' checks.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct XmlElement {
    QString name;
    std::vector<std::pair<QString, QString>> attributes;
    QString text;
    std::vector<std::unique_ptr<XmlElement>> children;

    QString attribute(const QString& name) const;
    // First child of that name; nullptr when there is none.
    const XmlElement* child(const QString& name) const;
    std::vector<const XmlElement*> childrenNamed(const QString& name) const;
    QStringList childNames() const;
    // Text of the first child of that name (fails the test when there is none).
    QString childText(const QString& name) const;
};

struct XmlFile {
    QString version, encoding;
    bool standaloneDeclared = false;
    std::unique_ptr<XmlElement> root;
};

// Decodes the bytes as CP932 and parses them; a parse error fails the calling test.
XmlFile parseXml(const QByteArray& bytes);
XmlFile readXmlFile(const QString& path);
