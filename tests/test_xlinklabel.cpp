// The link label control, alone and as the window carries it.
#include "app/designfont.h"
#include "controls/propertybag.h"
#include "controls/xlinklabel.h"
#include "tests/support/windowcontrols.h"
#include "tests/support/windowrig.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The paints a widget gets once pending events are handled: what the user sees redrawn.
class PaintCount : public QObject {
public:
    explicit PaintCount(QWidget* w) : m_widget(w) { w->installEventFilter(this); }
    int operator()() {
        QCoreApplication::processEvents();
        return m_paints;
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == m_widget && e->type() == QEvent::Paint) ++m_paints;
        return false;
    }

private:
    QWidget* m_widget;
    int m_paints = 0;
};

struct Host {
    Host() {
        window.resize(300, 100);
        label = new XLinkLabel(&window);
        label->setObjectName(QStringLiteral("XLinkLabel1"));
        label->setGeometry(10, 10, 100, 20);
        label->setOpener([this](const QUrl& u) {
            opened << u;
            return true;
        });
        QObject::connect(label, &XLinkLabel::propertyChanged, [this](const QString& n) { changed << n; });
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    }
    QWidget window;
    XLinkLabel* label;
    QList<QUrl> opened;
    QStringList changed;
};

TEST(XLinkLabel, HoverLookOnlyWhileThePointerIsOverIt) {
    Host h;
    h.label->InitProperties();
    h.label->setHoverTextColor(0x00FF0000);
    XLinkLabel& l = *h.label;
    PaintCount paints(&l);
    struct Step {
        int x, y;
        bool hover;
        int redraws; // added by this move
    } const steps[] = {
        {50, 10, true, 1},   {60, 12, true, 0}, // moving within: no redraw
        {100, 20, true, 0},                     // right and bottom edges count as inside
        {101, 20, false, 1}, {50, 21, false, 0}, {-1, 5, false, 0}, {0, 0, true, 1},
    };
    for (const Step& s : steps) {
        const int before = paints();
        l.MouseMove(s.x, s.y);
        EXPECT_EQ(l.isHover(), s.hover) << s.x << "," << s.y;
        EXPECT_EQ(paints() - before, s.redraws) << s.x << "," << s.y;
    }
    EXPECT_EQ(l.surfaceTextColor(), QColor(0, 0, 255));
    EXPECT_TRUE(l.surfaceUnderline());
    // The real pointer: entering and leaving switch the look.
    l.MouseMove(-1, -1);
    QTest::mouseMove(&h.window, QPoint(250, 80));
    EXPECT_FALSE(l.isHover());
    QTest::mouseMove(&l, QPoint(20, 5));
    EXPECT_TRUE(l.isHover());
    QTest::mouseMove(&h.window, QPoint(250, 80));
    EXPECT_FALSE(l.isHover());
    EXPECT_FALSE(l.surfaceUnderline());
}

TEST(XLinkLabel, ADisabledLabelTakesNoPointerInput) {
    Host h;
    h.label->InitProperties();
    XLinkLabel& l = *h.label;
    QTest::mouseMove(&h.window, QPoint(250, 80));
    l.setEnabled(false);
    QTest::mouseMove(&l, QPoint(20, 5)); // Qt still sends the enter and the move
    EXPECT_FALSE(l.isHover());
    QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_TRUE(h.opened.isEmpty());
    // Disabled under the pointer, it drops the hover look at once.
    QTest::mouseMove(&h.window, QPoint(250, 80));
    l.setEnabled(true);
    QTest::mouseMove(&l, QPoint(20, 6));
    ASSERT_TRUE(l.isHover());
    l.setEnabled(false);
    EXPECT_FALSE(l.isHover());
    // A disabled host greys the label without changing its own Enabled property.
    l.setEnabled(true);
    h.changed.clear();
    h.window.setEnabled(false);
    EXPECT_FALSE(l.isEnabled());
    EXPECT_TRUE(l.Enabled());
    EXPECT_TRUE(h.changed.isEmpty()) << h.changed.join(u',').toStdString();
}

TEST(XLinkLabel, SettersRedrawAndNotifyAsTheyShould) {
    Host h;
    XLinkLabel& l = *h.label;
    PaintCount paints(&l);
    struct Case {
        const char* name;
        std::function<void()> set;
        int redraws;
    } const cases[] = {
        {"BackColor", [&] { l.setBackColor(0xFFFFFF); }, 1},
        {"NormTextColor", [&] { l.setNormTextColor(0x00C00000); }, 1},
        {"HoverTextColor", [&] { l.setHoverTextColor(0x00FF0000); }, 1},
        {"NormUnderline", [&] { l.setNormUnderline(true); }, 1},
        {"HoverUnderline", [&] { l.setHoverUnderline(false); }, 1},
        {"Font", [&] { l.setFont(QFont(QStringLiteral("Sans"), 9)); }, 1},
        {"Caption", [&] { l.setCaption(QStringLiteral("Cursul BNR")); }, 1},
        {"URL", [&] { l.setURL(QStringLiteral("https://curs.bnr.ro/")); }, 0},
        {"Enabled", [&] { l.setEnabled(false); }, 1}, // the hover look dropped
        // A caller holding only a QWidget reaches the same notices.
        {"Font", [&] { static_cast<QWidget&>(l).setFont(QFont(QStringLiteral("Serif"), 11)); }, 1},
        {"Enabled", [&] { static_cast<QWidget&>(l).setEnabled(true); }, 1}, // the grey look goes
    };
    for (const Case& c : cases) {
        h.changed.clear();
        const int before = paints();
        c.set();
        EXPECT_EQ(paints() - before, c.redraws) << c.name;
        EXPECT_EQ(h.changed, QStringList{QString::fromLatin1(c.name)});
    }
    // The normal colour shows at once, even under the pointer, until the pointer leaves and returns.
    l.MouseMove(5, 5);
    l.setNormTextColor(0x000000FF);
    EXPECT_EQ(l.surfaceTextColor(), QColor(255, 0, 0));
    l.MouseMove(-5, 5);
    l.MouseMove(5, 5);
    EXPECT_EQ(l.surfaceTextColor(), QColor(0, 0, 255));
}

TEST(XLinkLabel, PropertyBagRoundTrips) {
    Host h;
    XLinkLabel& l = *h.label;
    l.InitProperties();
    EXPECT_EQ(l.Caption(), QStringLiteral("XLinkLabel1"));
    EXPECT_FALSE(l.NormUnderline());
    EXPECT_TRUE(l.HoverUnderline());
    EXPECT_EQ(l.NormTextColor(), l.HoverTextColor());
    // Everything at its default: only the font is written.
    l.setCaption(QStringLiteral("URL Label"));
    PropertyBag defaults;
    l.WriteProperties(defaults);
    EXPECT_EQ(defaults.keys(), QStringList{QStringLiteral("Font")});
    // A changed label writes what differs, and a new label reads it back.
    l.setCaption(QStringLiteral("Cursul BNR"));
    l.setNormTextColor(0x00C00000);
    l.setNormUnderline(true);
    l.setEnabled(false);
    PropertyBag saved;
    l.WriteProperties(saved);
    EXPECT_EQ(saved.keys(), (QStringList{"Font", "NormTextColor", "Enabled", "Caption", "NormUnderline"}));
    Host other;
    other.label->ReadProperties(saved);
    EXPECT_EQ(other.label->Caption(), QStringLiteral("Cursul BNR"));
    EXPECT_EQ(other.label->NormTextColor(), 0x00C00000u);
    EXPECT_FALSE(other.label->Enabled());
    EXPECT_TRUE(other.label->NormUnderline());
}

TEST(XLinkLabel, ReadMatchesKeysWithoutCaseAndSkipsWhatItCannotConvert) {
    Host h;
    XLinkLabel& l = *h.label;
    l.setHoverTextColor(0x00123456);
    PropertyBag bag;
    bag.write(QStringLiteral("normtextcolor"), qlonglong(0x00C00000));
    bag.write(QStringLiteral("hovertextcolor"), QStringLiteral("blue")); // not a number: keeps the earlier value
    bag.write(QStringLiteral("normunderline"), true);
    bag.write(QStringLiteral("url"), QStringLiteral("https://curs.bnr.ro/"));
    l.ReadProperties(bag);
    EXPECT_EQ(l.NormTextColor(), 0x00C00000u);
    EXPECT_EQ(l.HoverTextColor(), 0x00123456u);
    EXPECT_TRUE(l.NormUnderline());
    EXPECT_EQ(l.Caption(), QStringLiteral("URL Label")); // no caption saved
    EXPECT_EQ(l.URL(), QStringLiteral("https://curs.bnr.ro/"));
}

TEST(XLinkLabel, ColoursAreBlueGreenRedNumbers) {
    const QPalette p;
    EXPECT_EQ(XLinkLabel::toColor(0x00C00000, p), QColor(0, 0, 192));
    EXPECT_EQ(XLinkLabel::toColor(0x000000FF, p), QColor(255, 0, 0));
    EXPECT_EQ(XLinkLabel::toColor(0x0000FF00, p), QColor(0, 255, 0));
    EXPECT_EQ(XLinkLabel::fromColor(QColor(0, 0, 192)), 0x00C00000u);
    EXPECT_EQ(XLinkLabel::toColor(0x8000000F, p), p.color(QPalette::Button)); // a system colour
}

TEST(XLinkLabel, ClickOpensTheUrlUnlessDisabledOrEmpty) {
    Host h;
    XLinkLabel& l = *h.label;
    l.setURL(QStringLiteral("https://curs.bnr.ro/"));
    QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(h.opened, QList<QUrl>{QUrl(QStringLiteral("https://curs.bnr.ro/"))});
    l.setEnabled(false);
    QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(5, 5));
    l.MouseMove(5, 5);
    l.setEnabled(true);
    l.setURL(QString());
    QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(h.opened.size(), 1);
}

TEST(Links, TheWindowsTwoLabelsAsDesigned) {
    clearSettings();
    WindowRig rig;
    frmZorvel& w = rig.start();
    const WindowControls ui(w);
    const char* captions[2] = {"Cursul BNR", "Zorvel - Actualizari"};
    for (int i = 0; i < 2; ++i) {
        XLinkLabel* l = ui.XLinkLabel1[i];
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->objectName(), QStringLiteral("XLinkLabel1(%1)").arg(i));
        EXPECT_EQ(l->parentWidget(), ui.Frame2);
        EXPECT_EQ(l->Caption(), QString::fromLatin1(captions[i]));
        EXPECT_EQ(l->toolTip(), QStringLiteral("ALTE APLICATII UTILE"));
        EXPECT_TRUE(l->Font().bold());
        // The window's face, bold; its caption fits the design width.
        EXPECT_EQ(l->Font().pixelSize(), designFont().pixelSize());
        EXPECT_EQ(l->Font().pointSizeF(), designFont().pointSizeF());
        // Measured only in a real face: Qt's offscreen platform on Windows has no font database.
        const QFontMetrics face(l->Font());
        if (face.horizontalAdvance(QStringLiteral("iiii")) != face.horizontalAdvance(QStringLiteral("WWWW"))) {
            EXPECT_LE(face.horizontalAdvance(l->Caption()), l->width());
        }
        EXPECT_EQ(XLinkLabel::toColor(l->NormTextColor(), l->palette()), QColor(0, 0, 192));
        EXPECT_EQ(XLinkLabel::toColor(l->HoverTextColor(), l->palette()), QColor(0, 0, 255));
        EXPECT_TRUE(l->NormUnderline());
        EXPECT_TRUE(l->HoverUnderline());
        EXPECT_EQ(l->accessibleName(), QString::fromLatin1(captions[i]));
    }
    QTest::mouseClick(ui.XLinkLabel1[1], Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(rig.opened.size(), 1);
    EXPECT_TRUE(rig.opened[0].toString().endsWith(QStringLiteral("/zorvel.asp")));
}

} // namespace
