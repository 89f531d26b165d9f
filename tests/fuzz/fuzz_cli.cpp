// The command line's options: one argument a line, against a small history. Actions that
// reach the network are left out: the parser is what is under test.
#include "cli/commandline.h"
#include "core/store/ratedb.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstddef>
#include <cstdint>

namespace {

QTemporaryDir* folder = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir;
    const QString db = folder->filePath(QStringLiteral("valuta.mdb"));
    RateDb::createShipped(db);
    RateDb(db).storeDay(FeedDay{QDate(2022, 3, 7), {{"EUR", "4.9490"}, {"100HUF", "1.2444"}}, {}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList args = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)).split(u'\n');
    for (const QString& a : args)
        if (a.contains(QStringLiteral("update")) || a.contains(QStringLiteral("verify")) ||
            a.contains(QStringLiteral("convert-file")) || a.contains(QStringLiteral("out")))
            return 0;
    CommandLine::Context c;
    c.database = folder->filePath(QStringLiteral("valuta.mdb"));
    c.feedBase = QUrl(QStringLiteral("http://127.0.0.1:9"));
    c.today = QDate(2022, 3, 9);
    QString out, err;
    QTextStream o(&out), e(&err);
    const int exit = CommandLine::run(args, c, o, e);
    if (exit < 0 || exit > 3) __builtin_trap();
    return 0;
}
