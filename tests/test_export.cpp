// One day's rates handed to a real LibreOffice Calc, headless, in a profile of its own.
#include "app/datepicker.h"
#include "cli/commandline.h"
#include "core/history/currencyhistory.h"
#include "core/money/listconversion.h"
#include "core/store/ratedb.h"
#include "tests/support/testenv.h"
#include "tests/support/windowcontrols.h"
#include "tests/support/windowrig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString kHelper = QStringLiteral(ZORVEL_CALC_HELPER);

bool officeHere() {
    return !kHelper.isEmpty() && QFile::exists(kHelper) && !QStandardPaths::findExecutable("soffice").isEmpty();
}

// The office of these tests: its own profile and pipe, no windows.
class Office {
public:
    Office() {
        qputenv("ZORVEL_CALC_PROFILE", QUrl::fromLocalFile(profile.path()).toString().toUtf8());
        qputenv("ZORVEL_CALC_PIPE", QStringLiteral("zorvel_test_%1").arg(QCoreApplication::applicationPid()).toUtf8());
        qputenv("ZORVEL_CALC_HEADLESS", "1");
        qunsetenv("ZORVEL_SOFFICE");
    }
    ~Office() {
        helper({QStringLiteral("--quit")});
        // The office leaves read-only files in its profile; give them back before the folder goes.
        QThread::msleep(500);
        QDirIterator it(profile.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            QFile::setPermissions(it.next(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    // Runs the helper in one of its own modes and gives what it printed.
    static QString helper(const QStringList& args, int* status = nullptr) {
        QProcess p;
        p.start(kHelper, args);
        p.waitForFinished(90000);
        if (status) *status = p.exitCode();
        QString out = QString::fromUtf8(p.readAllStandardOutput());
        while (out.endsWith(u'\n'))
            out.chop(1); // only the line end: an empty last cell is a trailing tab
        return out;
    }
    // Workbook count, sheet names of workbook 1, its rows 1 and 2.
    static QStringList read() { return helper({QStringLiteral("--read")}).split(u'\n'); }
    QTemporaryDir profile;
};

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!officeHere()) GTEST_SKIP() << "LibreOffice or the spreadsheet helper is not installed";
        clearSettings();
        RateDb db(rig.app.db());
        auto store = [&](QDate d, std::vector<FeedRate> r) { ASSERT_TRUE(db.storeDay(FeedDay{d, std::move(r)})); };
        store(QDate(2021, 12, 31), {{"EUR", "4.9481"}, {"USD", "4.3707"}});
        store(QDate(2022, 1, 3), {{"AUD", "3.1589"}, {"EUR", "4.9474"}, {"USD", "4.3701"}, {"100HUF", "1.3455"}});
        store(QDate(2022, 1, 4), {{"AUD", "3.16"}, {"EUR", "4.9451"}, {"USD", "4.3811"}, {"100HUF", "1.35"}});
        store(QDate(2022, 1, 5), {{"AUD", "3.17"}, {"EUR", "4.9446"}, {"USD", "4.3762"}, {"XDR", "6.1"}});
        QFile::copy(QStringLiteral(ZORVEL_WORKBOOK), rig.app.path() + QStringLiteral("/zv.xls"));
    }
    frmZorvel& start() {
        rig.exportHelper = kHelper;
        frmZorvel& w = rig.start();
        rig.sink.shown.clear();
        return w;
    }
    void exportOn(frmZorvel& w, QDate d) {
        const WindowControls ui(w);
        ui.DTPicker1->setDate(d);
        rig.sink.shown.clear();
        QTest::mouseClick(ui.cmdExcel, Qt::LeftButton);
    }
    // A spreadsheet of the user's, opened as the user would.
    void openAnotherWorkbook() {
        const QString other = scratch.path() + QStringLiteral("/alt.csv");
        QFile f(other);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Client,Suma\nA,10\n");
        f.close();
        int status = -1;
        Office::helper({QStringLiteral("--open"), other}, &status);
        ASSERT_EQ(status, 0);
    }
    QTemporaryDir scratch;
    Office office;
    WindowRig rig;
};

TEST_F(ExportTest, OfficeNotRunningOpensTheWorkbookAndWritesTheDayBefore) {
    frmZorvel& w = start();
    const WindowControls ui(w);
    ASSERT_TRUE(ui.chkPrinc->isChecked());
    QTest::mouseClick(ui.chkPrinc, Qt::LeftButton); // main currencies shown; the export still takes them all
    exportOn(w, QDate(2022, 1, 5));
    EXPECT_TRUE(rig.sink.shown.isEmpty()) << rig.sink.texts().join(u'|').toStdString();
    const QStringList r = Office::read();
    ASSERT_EQ(r.size(), 4) << r.join(u'|').toStdString();
    EXPECT_EQ(r[0], QStringLiteral("1"));
    EXPECT_EQ(r[1], QStringLiteral("Zorvel\tCalcul"));
    EXPECT_EQ(r[2], QStringLiteral("DATA\tAUD\tEUR\tUSD\t100HUF\tXDR"));
    EXPECT_EQ(r[3], QStringLiteral("04.01.2022\t3.16\t4.9451\t4.3811\t1.35\t"))
        << r[3].toStdString(); // no XDR that day: empty

    // The exported workbook is first: the next export writes into it again, nothing new opens.
    exportOn(w, QDate(2022, 1, 4));
    const QStringList again = Office::read();
    EXPECT_EQ(again[0], QStringLiteral("1"));
    EXPECT_TRUE(again[3].startsWith(QStringLiteral("03.01.2022\t3.1589"))) << again[3].toStdString();

    // 2 January: nothing earlier in 2022, the last day of 2021 is exported.
    exportOn(w, QDate(2022, 1, 2));
    EXPECT_EQ(Office::read()[3].left(10), QStringLiteral("31.12.2021"));
}

TEST_F(ExportTest, TheExportedWorkbookStaysFirstWhenAnotherIsOpenedAfterIt) {
    frmZorvel& w = start();
    exportOn(w, QDate(2022, 1, 5));
    ASSERT_TRUE(rig.sink.shown.isEmpty()) << rig.sink.texts().join(u'|').toStdString();
    ASSERT_NO_FATAL_FAILURE(openAnotherWorkbook());
    exportOn(w, QDate(2022, 1, 4));
    EXPECT_TRUE(rig.sink.shown.isEmpty()) << rig.sink.texts().join(u'|').toStdString();
    const QStringList r = Office::read();
    ASSERT_EQ(r.size(), 4) << r.join(u'|').toStdString();
    EXPECT_EQ(r[0], QStringLiteral("2"));
    EXPECT_EQ(r[1], QStringLiteral("Zorvel\tCalcul"));
    EXPECT_TRUE(r[3].startsWith(QStringLiteral("03.01.2022\t3.1589"))) << r[3].toStdString();
}

TEST_F(ExportTest, AnotherWorkbookFirstIsRefusedAndLeftAlone) {
    frmZorvel& w = start();
    ASSERT_NO_FATAL_FAILURE(openAnotherWorkbook());
    exportOn(w, QDate(2022, 1, 5));
    ASSERT_EQ(rig.sink.shown.size(), 1);
    // Nothing was written: what to do is said, under the exclamation icon.
    EXPECT_EQ(rig.sink.shown[0].text,
              QStringLiteral("Document Excel deschis!\rInchideti documentul deschis sau aduceti "
                             "in fata registrul Zorvel si incercati din nou."));
    EXPECT_EQ(rig.sink.shown[0].icon, MessageSink::Icon::Exclamation);
    const QStringList r = Office::read();
    EXPECT_EQ(r[0], QStringLiteral("1"));
    EXPECT_EQ(r[2], QStringLiteral("Client\tSuma"));
}

TEST_F(ExportTest, RunningWithNoWorkbookAndWithoutTheTemplate) {
    frmZorvel& w = start();
    Office::helper({QStringLiteral("--read")}); // starts the office with nothing open
    QFile::remove(rig.app.path() + QStringLiteral("/zv.xls"));
    exportOn(w, QDate(2022, 1, 5));
    EXPECT_TRUE(rig.sink.shown.isEmpty());
    const QStringList r = Office::read();
    EXPECT_EQ(r[1], QStringLiteral("Zorvel")); // a new empty workbook, its sheet renamed
    EXPECT_EQ(r[2].count(u'\t'), 5);
}

TEST_F(ExportTest, AWorkbookCountingFrom1904GetsTheRightDate) {
    QTemporaryDir dir;
    const QString fods = dir.path() + QStringLiteral("/zv.fods");
    QFile f(fods);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet>
<table:calculation-settings><table:null-date table:date-value="1904-01-01"/></table:calculation-settings>
<table:table table:name="Foaie"><table:table-row><table:table-cell/></table:table-row></table:table>
</office:spreadsheet></office:body></office:document>)");
    f.close();
    QProcess convert;
    convert.start(QStringLiteral("soffice"), {QStringLiteral("-env:UserInstallation=") +
                                                  QUrl::fromLocalFile(dir.path() + QStringLiteral("/p")).toString(),
                                              QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                                              QStringLiteral("xls"), QStringLiteral("--outdir"), dir.path(), fods});
    ASSERT_TRUE(convert.waitForFinished(90000));
    QFile::remove(rig.app.path() + QStringLiteral("/zv.xls"));
    ASSERT_TRUE(QFile::copy(dir.path() + QStringLiteral("/zv.xls"), rig.app.path() + QStringLiteral("/zv.xls")));
    frmZorvel& w = start();
    exportOn(w, QDate(2022, 1, 5));
    EXPECT_EQ(Office::read().value(3).left(10), QStringLiteral("04.01.2022"));
}

TEST_F(ExportTest, NoStoredDayOrNoOfficeIsSaid) {
    rig.app.sql(QStringLiteral("create table valuta2020ron (data datetime unique primary key)"));
    frmZorvel& w = start();
    const WindowControls ui(w);
    // Nothing stored before the date: said, and the office is not asked.
    ui.Combo2->setCurrentIndex(ui.Combo2->findText(QStringLiteral("2021")));
    exportOn(w, QDate(2021, 6, 1));
    ASSERT_EQ(rig.sink.shown.size(), 1);
    EXPECT_TRUE(rig.sink.shown[0].text.startsWith(QStringLiteral("Nu exista curs memorat inainte de")));
    // The spreadsheet program cannot be started.
    qputenv("ZORVEL_SOFFICE", "/nonexistent/soffice");
    qputenv("ZORVEL_CALC_PIPE", "zorvel_test_nobody");
    exportOn(w, QDate(2022, 1, 5));
    ASSERT_EQ(rig.sink.shown.size(), 1);
    EXPECT_TRUE(rig.sink.shown[0].text.startsWith(QStringLiteral("Err: 429 ")));
    EXPECT_TRUE(rig.sink.shown[0].text.endsWith(QStringLiteral("\rLibreOffice Calc cannot be opened!")));
    EXPECT_EQ(rig.sink.shown[0].title, QStringLiteral("Excel Application"));
    EXPECT_EQ(rig.sink.shown[0].icon, MessageSink::Icon::Exclamation);
    qunsetenv("ZORVEL_SOFFICE");
}

// The cells of the first sheet of a flat document: "f:4.949" for a number, "d:2022-01-03" for a date, else the text.
QList<QStringList> sheetCells(const QString& fods) {
    QFile f(fods);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString xml = QString::fromUtf8(f.readAll());
    static const QRegularExpression row(QStringLiteral("<table:table-row[^>]*>(.*?)</table:table-row>"),
                                        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression cell(QStringLiteral("<table:table-cell([^>]*?)(?:/>|>(.*?)</table:table-cell>)"),
                                         QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression attr(QStringLiteral("(office:value-type|office:value|office:date-value|"
                                                        "table:number-columns-repeated)=\"([^\"]*)\""));
    QList<QStringList> rows;
    for (auto r = row.globalMatch(xml); r.hasNext();) {
        QStringList cells;
        for (auto c = cell.globalMatch(r.next().captured(1)); c.hasNext();) {
            const auto m = c.next();
            QHash<QString, QString> a;
            for (auto it = attr.globalMatch(m.captured(1)); it.hasNext();) {
                const auto x = it.next();
                a.insert(x.captured(1), x.captured(2));
            }
            QString text = m.captured(2);
            text = text.remove(QRegularExpression(QStringLiteral("<[^>]*>"))).trimmed();
            const QString type = a.value(QStringLiteral("office:value-type"));
            const QString v = type == u"float"  ? QStringLiteral("f:") + a.value(QStringLiteral("office:value"))
                              : type == u"date" ? QStringLiteral("d:") + a.value(QStringLiteral("office:date-value"))
                                                : text;
            const int repeat =
                std::min(a.value(QStringLiteral("table:number-columns-repeated"), QStringLiteral("1")).toInt(), 20);
            for (int i = 0; i < repeat; ++i)
                cells << v;
        }
        while (!cells.isEmpty() && cells.back().isEmpty())
            cells.removeLast();
        if (!cells.isEmpty()) rows << cells;
    }
    return rows;
}

// Every CSV the program writes opens in a Romanian Calc into the right cells, dates as dates and
// numbers as numbers, whether its import dialog ticks Tab, comma and semicolon (a fresh profile) or semicolon alone.
TEST(CsvInCalc, HistoryListAndCommandLineLandInTheRightCells) {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    clearSettings();
    TempAppDir app;
    {
        RateDb db(app.db());
        ASSERT_TRUE(db.storeDay(FeedDay{QDate(2022, 1, 3), {{"EUR", "4.9474"}, {"100HUF", "1.3490"}}}));
        ASSERT_TRUE(db.storeDay(FeedDay{QDate(2022, 1, 4), {{"EUR", "4.9451"}, {"100HUF", "1.3404"}}}));
    }
    const auto history = CurrencyHistory::load(app.db(), QStringLiteral("HUF"), 2022, 2022);
    ASSERT_TRUE(history.ok());
    const auto list = ListConversion::convert(
        app.db(), ListConversion::read(QStringLiteral("05.01.2022;1234,5;EUR;6104,73\n05.01.2022;10;XYZ\n")));
    ASSERT_TRUE(list.ok());
    QString cli, err;
    {
        QTextStream o(&cli), e(&err);
        CommandLine::Context c;
        c.database = app.db();
        c.today = QDate(2022, 1, 5);
        CommandLine::run(
            {QStringLiteral("--rate"), QStringLiteral("EUR"), QStringLiteral("--format"), QStringLiteral("csv")}, c, o,
            e);
    }
    struct Case {
        const char* why;
        QString csv;
        int row;
        QStringList cells;
    } const cases[] = {
        {"a day of the history", history->csv(), 1, {"d:2022-01-03", "f:1.349"}},
        {"a month's average", history->csv(), 4, {"f:2022", "Ianuarie", "f:1.3447", "f:2"}},
        {"a converted row",
         ListConversion::csv(*list),
         1,
         {"f:1", "d:2022-01-05", "f:1234.5", "EUR", "d:2022-01-04", "f:4.9451", "f:6104.73", "f:6104.73", "f:0"}},
        {"a row with its reason",
         ListConversion::csv(*list),
         2,
         {"f:2", "05.01.2022", "f:10", "XYZ", "", "", "", "", "", "", "valuta necunoscuta: XYZ"}},
        {"the command line's rate", cli, 1, {"d:2022-01-04", "EUR", "f:1", "f:4.9451"}},
    };
    QTemporaryDir dir;
    int n = 0;
    for (const Case& c : cases) {
        for (const char* separators : {"9/44/59", "59"}) {
            const QString base = dir.filePath(QStringLiteral("t%1").arg(++n));
            QFile out(base + QStringLiteral(".csv"));
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(c.csv.toUtf8());
            out.close();
            QProcess calc;
            calc.start(QStringLiteral("soffice"),
                       {QStringLiteral("-env:UserInstallation=") +
                            QUrl::fromLocalFile(dir.filePath(QStringLiteral("p"))).toString(),
                        QStringLiteral("--headless"),
                        // Unicode text, quotes, from row 1, in Romanian: the dialog as a Romanian desktop opens it.
                        QStringLiteral("--infilter=CSV:%1,34,76,1,,1048,false,false").arg(QLatin1String(separators)),
                        QStringLiteral("--convert-to"), QStringLiteral("fods"), QStringLiteral("--outdir"), dir.path(),
                        out.fileName()});
            ASSERT_TRUE(calc.waitForFinished(90000));
            const QList<QStringList> rows = sheetCells(base + QStringLiteral(".fods"));
            ASSERT_GT(rows.size(), c.row) << c.why;
            EXPECT_EQ(rows[c.row].mid(0, c.cells.size()), c.cells) << c.why << " " << separators << "\n"
                                                                   << rows[c.row].join(u'|').toStdString();
        }
    }
}

TEST(ExportWithoutHelper, AMissingHelperNamesThePackageToInstall) {
    clearSettings();
    WindowRig rig;
    {
        RateDb db(rig.app.db());
        ASSERT_TRUE(db.storeDay(FeedDay{QDate(2022, 1, 3), {{"EUR", "4.9474"}}}));
    }
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    ui.DTPicker1->setDate(QDate(2022, 1, 5));
    rig.sink.shown.clear();
    QTest::mouseClick(ui.cmdExcel, Qt::LeftButton);
    ASSERT_EQ(rig.sink.shown.size(), 1);
    EXPECT_TRUE(rig.sink.shown[0].text.contains(QStringLiteral("pachetul zorvel-calc")));
}

} // namespace
