// The program as a package installs it: files in their places, the desktop files
// valid, and the installed program keeping its history in the user's data folder.
#include "tests/support/bnrdata.h"
#include "tests/support/feedserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env, int* exit) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000)) p.kill();
    *exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP()
            << "the Linux layout and its packages; on Windows the installer is checked by scripts/wine-test.sh";
#endif
        ASSERT_TRUE(root.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), root.path());
        int exit = -1;
        const QString log = runProgram(QStringLiteral(ZORVEL_CMAKE),
                                       {QStringLiteral("--install"), QStringLiteral(ZORVEL_BUILD_DIR),
                                        QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                       env, &exit);
        ASSERT_EQ(exit, 0) << log.toStdString();
    }
    QString installed(const char* path) const {
        return root.path() + QStringLiteral("/usr/") + QLatin1String(path);
    }
    QTemporaryDir root;
};

TEST_F(InstallTest, FilesLandWhereTheDesktopLooksForThem) {
    for (const char* path :
         {"bin/zorvel", "share/zorvel/valuta.mdb", "share/applications/zorvel.desktop",
          "share/icons/hicolor/scalable/apps/zorvel.svg", "share/metainfo/ro.zorvel.Zorvel.metainfo.xml",
          "share/man/man1/zorvel.1.gz", "share/doc/zorvel/copyright", "share/doc/zorvel/changelog.gz"})
        EXPECT_TRUE(QFile::exists(installed(path))) << path;
    EXPECT_FALSE(QFile::exists(installed("bin/valuta.mdb"))); // never beside a program in /usr/bin
    struct Check {
        const char* tool;
        QStringList args;
    } const checks[] = {
        {"desktop-file-validate", {installed("share/applications/zorvel.desktop")}},
        {"appstreamcli", {"validate", "--no-net", installed("share/metainfo/ro.zorvel.Zorvel.metainfo.xml")}},
    };
    for (const Check& c : checks) {
        const QString tool = QStandardPaths::findExecutable(QLatin1String(c.tool));
        if (tool.isEmpty()) {
            ADD_FAILURE() << c.tool << " is not installed (scripts/install-deps.sh installs it)";
            continue;
        }
        int exit = -1;
        const QString out = runProgram(tool, c.args, QProcessEnvironment::systemEnvironment(), &exit);
        EXPECT_EQ(exit, 0) << c.tool << ": " << out.toStdString();
    }
}

TEST_F(InstallTest, TheInstalledProgramKeepsItsHistoryInTheUsersDataFolder) {
    // The shipped history starts empty in 2005: a bank that stops in July 2005 keeps the test short.
    const QDate feed(2005, 7, 15);
    const auto dayFile = [](QDate d) {
        return FeedServer::Reply::ok(
            BnrData::dayXml(d, {{"EUR", QStringLiteral("3.%1").arg(d.day(), 2, 10, QChar(u'0'))}}));
    };
    FeedServer bank([feed, dayFile](const QString& target) {
        if (target == u"/nbrfxrates.xml") return dayFile(feed);
        if (!target.startsWith(QStringLiteral("/MakeXmlFile"))) return FeedServer::Reply::error(404);
        const QStringList dmy = target.section(u'=', 1).split(u'.');
        const QDate d(dmy.value(2).toInt(), dmy.value(1).toInt(), dmy.value(0).toInt());
        if (d.dayOfWeek() > 5) return FeedServer::Reply::ok(BnrData::noRatesPage());
        return dayFile(d);
    });
    // The program's folder cannot be written, as /usr/bin for a user.
    QFile::setPermissions(installed("bin"), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                                QFile::ReadOther | QFile::ExeOther);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("ZORVEL_FEED_URL"), bank.base().toString());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    int exit = -1;
    QString out = runProgram(installed("bin/zorvel"), {QStringLiteral("--update")}, env, &exit);
    const QString db = home.path() + QStringLiteral("/data/zorvel/valuta.mdb");
    EXPECT_TRUE(QFile::exists(db)) << out.toStdString();
    EXPECT_FALSE(QFile::exists(installed("bin/valuta.mdb")));
    QFile::setPermissions(installed("bin"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(exit, 0) << out.toStdString();
    out = runProgram(
        installed("bin/zorvel"),
        {QStringLiteral("--rate"), QStringLiteral("EUR"), QStringLiteral("--date"), QStringLiteral("2005-07-16")}, env,
        &exit);
    EXPECT_EQ(exit, 0) << out.toStdString();
    EXPECT_EQ(out.trimmed(), QStringLiteral("2005-07-15 EUR 3,1500"));
}

QString toolOutput(const QString& tool, const QStringList& args, int* exit = nullptr) {
    int code = -1;
    const QString out = runProgram(tool, args, QProcessEnvironment::systemEnvironment(), &code);
    if (exit) *exit = code;
    return out;
}

// The packages as a user installs them: the program without any office library, the
// spreadsheet helper apart, each with its papers, and neither with a lintian error.
TEST(Packages, TheProgramAndTheHelperApartEachWithItsPapers) {
#ifdef _WIN32
    GTEST_SKIP() << "Debian packages are made on Linux";
#endif
#ifdef ZORVEL_SANITIZED
    GTEST_SKIP() << "a build with sanitizers makes no package a user installs";
#endif
    for (const char* tool : {"cpack", "dpkg-deb", "dpkg-shlibdeps"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty() &&
            !QFile::exists(QFileInfo(QStringLiteral(ZORVEL_CMAKE)).absolutePath() + u'/' + QLatin1String(tool)))
            GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
    QTemporaryDir out;
    int exit = -1;
    const QString cpack = QFileInfo(QStringLiteral(ZORVEL_CMAKE)).absolutePath() + QStringLiteral("/cpack");
    const QString log = toolOutput(cpack,
                                   {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), out.path(),
                                    QStringLiteral("--config"), QStringLiteral(ZORVEL_BUILD_DIR "/CPackConfig.cmake")},
                                   &exit);
    ASSERT_EQ(exit, 0) << log.toStdString();
    const QStringList debs = QDir(out.path()).entryList({QStringLiteral("*.deb")});
    const QString main = debs.filter(QRegularExpression(QStringLiteral("^zorvel_"))).value(0);
    ASSERT_FALSE(main.isEmpty()) << debs.join(u' ').toStdString();
    const auto field = [&](const QString& deb, const char* name) {
        return toolOutput(QStringLiteral("dpkg-deb"),
                          {QStringLiteral("-f"), out.path() + u'/' + deb, QLatin1String(name)});
    };
    const auto files = [&](const QString& deb) {
        return toolOutput(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), out.path() + u'/' + deb});
    };
    const QString mainFiles = files(main);
    for (const char* path : {"./usr/bin/zorvel", "./usr/share/man/man1/zorvel.1.gz", "./usr/share/doc/zorvel/copyright",
                             "./usr/share/doc/zorvel/changelog.gz"})
        EXPECT_TRUE(mainFiles.contains(QLatin1String(path))) << path;
    EXPECT_FALSE(mainFiles.contains(QStringLiteral("zorvel-calc")));
    EXPECT_FALSE(field(main, "Depends").contains(QStringLiteral("uno"))) << field(main, "Depends").toStdString();
    EXPECT_FALSE(field(main, "Depends").contains(QStringLiteral("libreoffice")));
    EXPECT_TRUE(field(main, "Recommends").contains(QStringLiteral("zorvel-calc")));
    const QString calc = debs.filter(QRegularExpression(QStringLiteral("^zorvel-calc_"))).value(0);
    if (!calc.isEmpty()) { // built only where the office's SDK is
        const QString calcFiles = files(calc);
        for (const char* path : {"./usr/libexec/zorvel/zorvel-calc", "./usr/share/doc/zorvel-calc/copyright"})
            EXPECT_TRUE(calcFiles.contains(QLatin1String(path))) << path;
        EXPECT_TRUE(field(calc, "Depends").contains(QStringLiteral("libreoffice-calc")));
    }
    // The manual page is made from --help: every option there is described in it.
    QTemporaryDir unpacked;
    toolOutput(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), out.path() + u'/' + main, unpacked.path()});
    QProcess zcat;
    zcat.start(QStringLiteral("gzip"),
               {QStringLiteral("-dc"), unpacked.path() + QStringLiteral("/usr/share/man/man1/zorvel.1.gz")});
    ASSERT_TRUE(zcat.waitForFinished());
    const QString page = QString::fromUtf8(zcat.readAllStandardOutput());
    const QString help = toolOutput(unpacked.path() + QStringLiteral("/usr/bin/zorvel"), {QStringLiteral("--help")});
    const QRegularExpression option(QStringLiteral("^  (-\\w, )?(--[\\w-]+)"), QRegularExpression::MultilineOption);
    int options = 0;
    for (auto it = option.globalMatch(help); it.hasNext(); ++options) {
        const QString name = it.next().captured(2);
        EXPECT_TRUE(page.contains(QString(name).replace(u'-', QStringLiteral("\\-")))) << name.toStdString();
    }
    EXPECT_GE(options, 8) << help.toStdString();
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    if (lintian.isEmpty()) GTEST_SKIP() << "lintian is not installed (scripts/install-deps.sh installs it)";
    QStringList all;
    for (const QString& d : debs)
        all << out.path() + u'/' + d;
    const QString said =
        toolOutput(lintian, QStringList{QStringLiteral("--tag-display-limit"), QStringLiteral("0")} + all);
    EXPECT_FALSE(said.contains(QRegularExpression(QStringLiteral("^[EW]: "), QRegularExpression::MultilineOption)))
        << said.toStdString();
}

} // namespace
