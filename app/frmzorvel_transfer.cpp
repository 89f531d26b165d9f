// Copying valuta.mdb to a computer without internet: the program shows where the
// file lives and opens that folder; the user copies the file by hand.
#include "app/designfont.h"
#include "app/frmzorvel.h"
#include "app/windowdesign.h"
#include "controls/propertybag.h"
#include "controls/xlinklabel.h"
#include "core/config.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QUrl>

void frmZorvel::transferMessage(const QString& text) {
    // The folder that really holds the history: beside the program, or the user's data folder.
    const QString where = QFileInfo(dbPath()).absolutePath();
    const QString folder = QDir::toNativeSeparators(where);
    message(text + u'\r' + folder, MessageSink::Icon::Information);
    if (!m_env.openUrl || !m_env.openUrl(QUrl::fromLocalFile(where)))
        message(QStringLiteral("Directorul nu poate fi deschis:\r") + folder, MessageSink::Icon::Exclamation);
}

void frmZorvel::Command3_Click() {
    transferMessage(QStringLiteral("Copiati fisierul valuta.mdb in directorul :"));
}

void frmZorvel::Command4_Click() {
    transferMessage(QStringLiteral("Copiati fisierul valuta.mdb din directorul :"));
}

void frmZorvel::createLinks() {
    struct Link {
        const char* caption;
        QString url;
    };
    const Link links[2] = {
        {"Cursul BNR", QLatin1String(ZorvelConfig::FeedDefault) + u'/'},
        {"Zorvel - Actualizari", QLatin1String(ZorvelConfig::WebSite) + QStringLiteral("/zorvel.asp")},
    };
    for (int i = 0; i < 2; ++i) {
        auto* link = new XLinkLabel(Frame2);
        WindowDesign::place(link, QStringLiteral("XLinkLabel1(%1)").arg(i));
        link->setToolTip(QStringLiteral("ALTE APLICATII UTILE"));
        // Saved design data, as a host restores it: keys in lower case, colours as 0x00BBGGRR.
        QFont font = designFont();
        font.setBold(true);
        font.setUnderline(true);
        PropertyBag bag;
        bag.write(QStringLiteral("font"), QVariant::fromValue(font));
        bag.write(QStringLiteral("normtextcolor"), qlonglong(0x00C00000));
        bag.write(QStringLiteral("hovertextcolor"), qlonglong(0x00FF0000));
        bag.write(QStringLiteral("url"), links[i].url);
        bag.write(QStringLiteral("caption"), QString::fromLatin1(links[i].caption));
        bag.write(QStringLiteral("normunderline"), true);
        link->ReadProperties(bag);
        link->setOpener([this](const QUrl& url) { return m_env.openUrl && m_env.openUrl(url); });
        XLinkLabel1[i] = link;
    }
    lblAnunt = new QLabel(Frame2);
    WindowDesign::place(lblAnunt, QStringLiteral("lblAnunt"));
    lblAnunt->setAccessibleName(QStringLiteral("Anunt"));
    lblAnunt->hide();
    m_noticeTimer.setSingleShot(true);
    connect(&m_noticeTimer, &QTimer::timeout, lblAnunt, &QLabel::hide);
}
