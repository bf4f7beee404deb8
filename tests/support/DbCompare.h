#pragma once
// Object-by-object comparison of two databases: columns in order with their types, defaults and null
// flags; keys; indices; trigger, procedure and view sources with their blanks normalised; domains;
// generators; and, for the data, a checksum of every table's rows (order-independent) and the
// generators' values.

#include <QStringList>

namespace fb {
class Database;
}

namespace testenv {

// One line per object property, sorted; equal texts mean equal schemas.
QStringList describeSchema(fb::Database& database);
// One line per table ("TABLE rows=n sha1") and per generator ("GEN name=value"), sorted.
QStringList describeData(fb::Database& database);
// The same for the database file, opened embedded with the fixture's user.
QStringList describeData(const QString& path);
// Lines only in a ("- ...") or only in b ("+ ..."), schema and data together; empty when the two
// databases hold the same objects and rows. Both are opened embedded with the fixture's user.
QStringList compareDatabases(const QString& a, const QString& b);
// The same for the schema alone.
QStringList compareSchemas(const QString& a, const QString& b);

} // namespace testenv
