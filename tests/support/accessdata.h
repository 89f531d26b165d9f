#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// The Access files of the earlier generation and the cells each one holds.
namespace AccessData {

// The folder of the files; empty when this machine has none (the tests then skip).
QString folder();
// The Access reader built with the program; empty when it was not built here.
QString helper();
// Why a test cannot run here, or empty.
QString missing();

// Every cell of the expected list that a history imported from the file must hold,
// compared with what the history at dbPath holds; days listed in skipDays (yyyy-mm-dd)
// must be absent. The differences, one a line; empty when the history is exactly the file's.
QStringList differences(const QString& dbPath, const QString& expectedCsv, const QSet<QString>& skipDays = {});

// A file's bytes, to show it was not written.
QByteArray contents(const QString& path);

} // namespace AccessData
