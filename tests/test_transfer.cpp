// The help for carrying valuta.mdb to another computer: what it says and which folder it opens.
#include "tests/support/windowcontrols.h"
#include "tests/support/windowrig.h"

#include "tests/support/accessdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// Records how many folders had been opened when each message was shown.
class OrderSink : public RecordingSink {
public:
    explicit OrderSink(WindowRig& rig) : rig(rig) {}
    void show(const QString& text, Icon icon, const QString& title) override {
        openedBefore << rig.opened.size();
        RecordingSink::show(text, icon, title);
    }
    WindowRig& rig;
    QList<int> openedBefore;
};

TEST(Transfer, TellsTheFolderFirstThenOpensIt) {
    clearSettings();
    WindowRig rig;
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    struct Case {
        QPushButton* button;
        const char* text;
    } const cases[] = {
        {ui.Command3, "Copiati fisierul valuta.mdb in directorul :"},
        {ui.Command4, "Copiati fisierul valuta.mdb din directorul :"},
    };
    forEachRow(cases, [&](const Case& c) {
        rig.sink.shown.clear();
        rig.opened.clear();
        QTest::mouseClick(c.button, Qt::LeftButton);
        ASSERT_EQ(rig.sink.shown.size(), 1);
        EXPECT_EQ(rig.sink.shown[0].text,
                  QString::fromLatin1(c.text) + u'\r' + QDir::toNativeSeparators(rig.app.path()));
        EXPECT_EQ(rig.sink.shown[0].icon, MessageSink::Icon::Information);
        EXPECT_EQ(rig.sink.shown[0].title, w.windowTitle());
        EXPECT_EQ(rig.opened, QList<QUrl>{QUrl::fromLocalFile(rig.app.path())});
    });
    // A folder that cannot be opened is said, not passed over.
    rig.sink.shown.clear();
    rig.openSucceeds = false;
    QTest::mouseClick(ui.Command3, Qt::LeftButton);
    ASSERT_EQ(rig.sink.shown.size(), 2);
    EXPECT_TRUE(rig.sink.shown[1].text.startsWith(QStringLiteral("Directorul nu poate fi deschis")));
}

TEST(Transfer, NamesAndOpensTheFolderThatReallyHoldsTheHistory) {
    clearSettings();
    WindowRig rig;
    const QString data = rig.app.path() + QStringLiteral("/date-utilizator");
    ASSERT_TRUE(QDir().mkpath(data));
    ASSERT_TRUE(QFile::rename(rig.app.db(), data + QStringLiteral("/valuta.mdb")));
    rig.database = data + QStringLiteral("/valuta.mdb");
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    rig.sink.shown.clear();
    QTest::mouseClick(ui.Command4, Qt::LeftButton);
    ASSERT_EQ(rig.sink.shown.size(), 1);
    EXPECT_TRUE(rig.sink.shown[0].text.endsWith(u'\r' + QDir::toNativeSeparators(data)));
    EXPECT_EQ(rig.opened, QList<QUrl>{QUrl::fromLocalFile(data)});
}

TEST(Transfer, MessageComesBeforeTheFolder) {
    clearSettings();
    WindowRig rig;
    rig.start();
    OrderSink sink(rig);
    ZorvelEnvironment env;
    env.appDir = rig.app.path();
    env.feedBase = rig.server.base();
    env.openUrl = [&](const QUrl& u) {
        rig.opened << u;
        return true;
    };
    frmZorvel w(env, &sink);
    w.findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    EXPECT_EQ(sink.openedBefore, QList<int>{0});
    EXPECT_EQ(rig.opened.size(), 1);
}

TEST(Transfer, AnAccessHistoryFoundAtStartIsOfferedAndBroughtOver) {
    if (const QString why = AccessData::missing(); !why.isEmpty()) GTEST_SKIP() << why.toStdString();
    clearSettings();
    WindowRig rig;
    const QString access = AccessData::folder() + QStringLiteral("/valuta-full.mdb");
    QFile::remove(rig.app.db());
    ASSERT_TRUE(QFile::copy(access, rig.app.db()));
    rig.sink.answer = true;
    rig.start();
    ASSERT_EQ(rig.sink.asked.size(), 1);
    EXPECT_TRUE(rig.sink.asked[0].contains(QStringLiteral("este o baza de cursuri Access")))
        << rig.sink.asked[0].toStdString();
    const QStringList kept = QDir(rig.app.path()).entryList({QStringLiteral("valuta.mdb.access-*")});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(AccessData::contents(rig.app.path() + u'/' + kept[0]), AccessData::contents(access));
    const QStringList diff =
        AccessData::differences(rig.app.db(), AccessData::folder() + QStringLiteral("/valuta-full.expected.csv"));
    EXPECT_TRUE(diff.isEmpty()) << diff.mid(0, 10).join(u'\n').toStdString();
    EXPECT_TRUE(rig.sink.texts().join(u'\n').contains(QStringLiteral("VALUTA2003: 255 zile importate")))
        << rig.sink.texts().join(u'\n').toStdString();
}

TEST(Transfer, TheRateTablesMenuImportsAnAccessFileIntoTheHistoryInUse) {
    if (const QString why = AccessData::missing(); !why.isEmpty()) GTEST_SKIP() << why.toStdString();
    clearSettings();
    WindowRig rig;
    frmZorvel& w = rig.start(false);
    rig.chosenFile = AccessData::folder() + QStringLiteral("/valuta-2003.mdb");
    rig.sink.shown.clear();
    chooseInNextMenu(QStringLiteral("Importa istoric Access"));
    emit WindowControls(w).ListView1->customContextMenuRequested(QPoint(5, 5));
    EXPECT_TRUE(rig.sink.texts().join(u'\n').contains(QStringLiteral("VALUTA2022RON: 251 zile importate")))
        << rig.sink.texts().join(u'\n').toStdString();
    EXPECT_EQ(rig.app.column(QStringLiteral("select count(*) from valuta2022ron")).value(0).toInt(), 251);
    EXPECT_TRUE(rig.sink.asked.isEmpty());
}

TEST(Transfer, WithoutTheAccessReaderTheFileIsNamedAndLeftAlone) {
    if (AccessData::folder().isEmpty()) GTEST_SKIP() << AccessData::missing().toStdString();
    clearSettings();
    WindowRig rig;
    rig.accessReader = false;
    const QString access = AccessData::folder() + QStringLiteral("/valuta-2003.mdb");
    QFile::remove(rig.app.db());
    ASSERT_TRUE(QFile::copy(access, rig.app.db()));
    rig.start(false);
    EXPECT_TRUE(rig.sink.asked.isEmpty());
    EXPECT_TRUE(rig.sink.texts().join(u'\n').contains(QStringLiteral("nu are programul care citeste fisiere Access")))
        << rig.sink.texts().join(u'\n').toStdString();
    EXPECT_EQ(AccessData::contents(rig.app.db()), AccessData::contents(access));
    EXPECT_TRUE(QFileInfo::exists(rig.app.path() + QStringLiteral("/data/valuta.mdb")));
}

} // namespace
