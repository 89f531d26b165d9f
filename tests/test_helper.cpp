// The spreadsheet helper as the program drives it: what it is handed, and how each
// of its answers reaches the user. A script stands in for it, so no office is needed.
#include "core/export/spreadsheetexport.h"
#include "core/money/localcurrency.h"
#include "core/store/ratedb.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A helper that keeps what it was handed, prints a line and ends as told.
QString fakeHelper(const QTemporaryDir& dir, const QString& said, const QString& ending) {
    const QString path = dir.filePath(QStringLiteral("helper.sh"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral("#!/bin/sh\necho \"$@\" > '%1/args'\ncat > '%1/rows'\necho '%2'\n%3\n")
                .arg(dir.path(), said, ending)
                .toUtf8());
    f.close();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(SpreadsheetHelper, EachAnswerIsSaidAsTheUserShouldHearIt) {
#ifdef _WIN32
    GTEST_SKIP() << "the stand-in helper is a shell script";
#endif
    using Icon = UserMessage::Icon;
    struct Case {
        const char* said;
        const char* ending;
        const char* message; // the start of it; empty: nothing said
        Icon icon;
        const char* title;
    } const cases[] = {
        {"gata", "exit 0", "", Icon::Information, ""},
        {"alt registru deschis", "exit 2", "Document Excel deschis!\rInchideti", Icon::Exclamation, ""},
        {"429 LibreOffice nu raspunde", "exit 3", "Err: 429 LibreOffice nu raspunde\r", Icon::Exclamation,
         "Excel Application"},
        {"foaie protejata", "exit 1", "Exportul nu a reusit: foaie protejata", Icon::Exclamation, ""},
        {"ciudat", "exit 7", "Exportul nu a reusit: ciudat", Icon::Exclamation, ""},
        {"", "kill -9 $$", "Err: 429 ", Icon::Exclamation, "Excel Application"},
    };
    const StoredDay row{{QStringLiteral("DATA"), QStringLiteral("EUR"), QStringLiteral("XDR")},
                        {QStringLiteral("2022-01-03T00:00:00"), 4.9474, QVariant()}};
    forEachRow(cases, [&](const Case& c) {
        SCOPED_TRACE(c.ending);
        QTemporaryDir dir;
        const SpreadsheetExport exporter(fakeHelper(dir, QString::fromLatin1(c.said), QString::fromLatin1(c.ending)),
                                         QStringLiteral("/carte/zv.xls"));
        const UserMessage m = SpreadsheetExport::messageFor(exporter.run(row));
        EXPECT_EQ(m.isEmpty(), *c.message == 0) << m.text.toStdString();
        if (!m.isEmpty()) {
            EXPECT_TRUE(m.text.startsWith(QString::fromLatin1(c.message))) << m.text.toStdString();
            EXPECT_EQ(m.icon, c.icon);
        }
        EXPECT_EQ(m.title, QString::fromLatin1(c.title));
        EXPECT_EQ(readAll(dir.filePath(QStringLiteral("args"))), "--workbook /carte/zv.xls\n");
        EXPECT_EQ(readAll(dir.filePath(QStringLiteral("rows"))), "DATA\tEUR\tXDR\n2022-01-03\t4.9474\t\n");
    });
}

TEST(SpreadsheetHelper, NoHelperNoDatabaseOrNoDayIsSaidWithoutAsking) {
#ifdef _WIN32
    GTEST_SKIP() << "the stand-in helper is a shell script";
#endif
    TempAppDir app;
    QTemporaryDir dir;
    const QString helper = fakeHelper(dir, QStringLiteral("gata"), QStringLiteral("exit 0"));
    const QDate day(2022, 1, 5);
    // No stored day before the date: the helper is not run.
    UserMessage m = SpreadsheetExport(helper, {}).exportDayBefore(app.db(), day, LocalCurrency::newLeu());
    EXPECT_TRUE(m.text.startsWith(QStringLiteral("Nu exista curs memorat inainte de"))) << m.text.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("rows"))));
    ASSERT_TRUE(RateDb(app.db()).storeDay(FeedDay{QDate(2022, 1, 4), {{"EUR", "4.9451"}}}));
    m = SpreadsheetExport(helper, {}).exportDayBefore(app.db(), day, LocalCurrency::newLeu());
    EXPECT_TRUE(m.isEmpty()) << m.text.toStdString();
    EXPECT_TRUE(readAll(dir.filePath(QStringLiteral("rows"))).startsWith("DATA\tEUR\n2022-01-04\t4.9451"));
    // Without the helper's package: what to install.
    m = SpreadsheetExport(dir.filePath(QStringLiteral("nu-exista")), {})
            .exportDayBefore(app.db(), day, LocalCurrency::newLeu());
    EXPECT_EQ(m.text, QStringLiteral("Exportul in LibreOffice Calc are nevoie de pachetul zorvel-calc, care nu este "
                                     "instalat."));
}

} // namespace
