// One day's rates handed to a real LibreOffice Calc, headless, in a profile of its own.
#include "app/datepicker.h"
#include "core/store/ratedb.h"
#include "tests/support/windowcontrols.h"
#include "tests/support/windowrig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
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
    EXPECT_EQ(rig.sink.shown[0].text, QStringLiteral("Document Excel deschis!"));
    EXPECT_EQ(rig.sink.shown[0].icon, MessageSink::Icon::Information);
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
