// The program as a package installs it: files in their places, the desktop files
// valid, and the installed program keeping its history in the user's data folder.
#include "tests/support/bnrdata.h"
#include "tests/support/feedserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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
    QString installed(const char* path) const { return root.path() + QStringLiteral("/usr/") + QLatin1String(path); }
    QTemporaryDir root;
};

TEST_F(InstallTest, FilesLandWhereTheDesktopLooksForThem) {
    for (const char* path :
         {"bin/zorvel", "share/zorvel/valuta.mdb", "share/applications/zorvel.desktop",
          "share/icons/hicolor/scalable/apps/zorvel.svg", "share/metainfo/ro.zorvel.Zorvel.metainfo.xml"})
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

} // namespace
