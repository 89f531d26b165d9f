#include "controls/xlinklabel.h"

#include "controls/xlinklabelaccessible.h"
#include "core/config.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <cmath>

namespace {

// The few system colours a design can refer to, by their index.
QColor systemColor(quint32 index, const QPalette& p) {
    switch (index) {
    case 5:
        return p.color(QPalette::Base); // window background
    case 8:
        return p.color(QPalette::Text); // window text
    case 15:
        return p.color(QPalette::Button); // button face
    case 18:
        return p.color(QPalette::ButtonText); // button text
    case 13:
        return p.color(QPalette::Highlight);
    case 14:
        return p.color(QPalette::HighlightedText);
    default:
        return p.color(QPalette::Window);
    }
}

} // namespace

QString XLinkLabel::defaultUrl() {
    return QLatin1String(ZorvelConfig::WebSite);
}

QColor XLinkLabel::toColor(quint32 value, const QPalette& palette) {
    if (value & 0x80000000u) return systemColor(value & 0xFFu, palette);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

quint32 XLinkLabel::fromColor(const QColor& c) {
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

XLinkLabel::XLinkLabel(QWidget* parent) : QWidget(parent) {
    XLinkLabelAccessible::install();
    // A link is reached by Tab and opened with Enter or Space, as by a click.
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

quint32 XLinkLabel::ambientBack() const {
    return fromColor((parentWidget() ? parentWidget() : this)->palette().color(QPalette::Window));
}

quint32 XLinkLabel::ambientFore() const {
    return fromColor((parentWidget() ? parentWidget() : this)->palette().color(QPalette::WindowText));
}

QFont XLinkLabel::ambientFont() const {
    return (parentWidget() ? parentWidget() : this)->font();
}

QColor XLinkLabel::surfaceTextColor() const {
    return toColor(m_surfaceText, palette());
}

void XLinkLabel::redraw() {
    update();
}

void XLinkLabel::setBackColor(quint32 c) {
    m_BackColor = c;
    m_surfaceBack = c;
    redraw();
    emit propertyChanged(QStringLiteral("BackColor"));
}

void XLinkLabel::setNormTextColor(quint32 c) {
    m_NormTextColor = c;
    m_surfaceText = c; // the normal look shows at once, even under the pointer
    redraw();
    emit propertyChanged(QStringLiteral("NormTextColor"));
}

void XLinkLabel::setHoverTextColor(quint32 c) {
    m_HoverTextColor = c;
    redraw();
    emit propertyChanged(QStringLiteral("HoverTextColor"));
}

void XLinkLabel::setNormUnderline(bool u) {
    m_NormUnderline = u;
    m_surfaceUnderline = u;
    redraw();
    emit propertyChanged(QStringLiteral("NormUnderline"));
}

void XLinkLabel::setHoverUnderline(bool u) {
    m_HoverUnderline = u;
    redraw();
    emit propertyChanged(QStringLiteral("HoverUnderline"));
}

void XLinkLabel::setCaption(const QString& c) {
    m_Caption = c;
    setAccessibleName(c);
    redraw();
    emit propertyChanged(QStringLiteral("Caption"));
}

void XLinkLabel::setURL(const QString& url) {
    m_URL = url;
    emit propertyChanged(QStringLiteral("URL"));
}

void XLinkLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        redraw();
        emit propertyChanged(QStringLiteral("Font"));
    } else if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) MouseMove(-1, -1); // a label disabled under the pointer drops its hover look
        if (Enabled() == m_ownEnabled) return;
        m_ownEnabled = Enabled();
        emit propertyChanged(QStringLiteral("Enabled"));
    }
}

void XLinkLabel::InitProperties() {
    setFont(ambientFont());
    setBackColor(ambientBack());
    setNormTextColor(ambientFore());
    setHoverTextColor(ambientFore());
    setURL(defaultUrl());
    setEnabled(true);
    setCaption(objectName().isEmpty() ? QStringLiteral("XLinkLabel1") : objectName());
    setNormUnderline(false);
    setHoverUnderline(true);
}

void XLinkLabel::ReadProperties(const PropertyBag& bag) {
    // A value that cannot be converted is skipped and the property keeps what it had.
    const QVariant font = bag.read(QStringLiteral("Font"), ambientFont());
    if (font.canConvert<QFont>() && font.metaType().id() == QMetaType::QFont) setFont(font.value<QFont>());
    auto readColor = [&](const char* key, quint32 def, void (XLinkLabel::*set)(quint32)) {
        bool ok = false;
        const qlonglong v = bag.read(QString::fromLatin1(key), def).toLongLong(&ok);
        if (ok && v >= 0 && v <= 0xFFFFFFFFLL) (this->*set)(quint32(v));
    };
    auto readBool = [&](const char* key, bool def, void (XLinkLabel::*set)(bool)) {
        const QVariant v = bag.read(QString::fromLatin1(key), def);
        if (v.metaType().id() == QMetaType::Bool)
            (this->*set)(v.toBool());
        else if (v.canConvert<QString>()) {
            const QString t = v.toString().trimmed().toLower();
            if (t == u"true" || t == u"-1" || t == u"1")
                (this->*set)(true);
            else if (t == u"false" || t == u"0")
                (this->*set)(false);
        }
    };
    readColor("BackColor", ambientBack(), &XLinkLabel::setBackColor);
    readColor("NormTextColor", ambientFore(), &XLinkLabel::setNormTextColor);
    readColor("HoverTextColor", ambientFore(), &XLinkLabel::setHoverTextColor);
    if (const QVariant v = bag.read(QStringLiteral("URL"), defaultUrl()); v.canConvert<QString>()) setURL(v.toString());
    readBool("Enabled", true, &XLinkLabel::setEnabled);
    if (const QVariant v = bag.read(QStringLiteral("Caption"), QStringLiteral("URL Label")); v.canConvert<QString>())
        setCaption(v.toString());
    readBool("NormUnderline", false, &XLinkLabel::setNormUnderline);
    readBool("HoverUnderline", true, &XLinkLabel::setHoverUnderline);
}

void XLinkLabel::WriteProperties(PropertyBag& bag) const {
    bag.write(QStringLiteral("Font"), QVariant::fromValue(font()));
    bag.write(QStringLiteral("BackColor"), qlonglong(m_BackColor), qlonglong(ambientBack()));
    bag.write(QStringLiteral("NormTextColor"), qlonglong(m_NormTextColor), qlonglong(ambientFore()));
    bag.write(QStringLiteral("HoverTextColor"), qlonglong(m_HoverTextColor), qlonglong(ambientFore()));
    bag.write(QStringLiteral("URL"), m_URL, defaultUrl());
    bag.write(QStringLiteral("Enabled"), Enabled(), true);
    bag.write(QStringLiteral("Caption"), m_Caption, QStringLiteral("URL Label"));
    bag.write(QStringLiteral("NormUnderline"), m_NormUnderline, false);
    bag.write(QStringLiteral("HoverUnderline"), m_HoverUnderline, true);
}

void XLinkLabel::MouseMove(int x, int y) {
    const bool inside = x >= 0 && y >= 0 && x <= mWidth && y <= mHeight;
    if (inside == mHover) return;
    mHover = inside;
    m_surfaceUnderline = inside ? m_HoverUnderline : m_NormUnderline;
    m_surfaceText = inside ? m_HoverTextColor : m_NormTextColor;
    redraw();
}

void XLinkLabel::Click() {
    if (!Enabled() || m_URL.isEmpty() || !m_opener) return;
    m_opener(QUrl::fromUserInput(m_URL));
}

void XLinkLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), toColor(m_surfaceBack, palette()));
    QFont f = font();
    f.setUnderline(m_surfaceUnderline);
    p.setFont(f);
    p.setPen(toColor(m_surfaceText, palette()));
    const QRect text = p.boundingRect(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_Caption);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_Caption);
    // The focus is drawn around the caption, so the link looks as it always did when it has none.
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = text.adjusted(-1, 0, 1, 0) & rect();
        focus.backgroundColor = toColor(m_surfaceBack, palette());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

void XLinkLabel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        Click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void XLinkLabel::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void XLinkLabel::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void XLinkLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    mHeight = int(std::nearbyint(double(height())));
    mWidth = int(std::nearbyint(double(width())));
}

void XLinkLabel::mouseMoveEvent(QMouseEvent* event) {
    // Qt still delivers pointer moves and enters to a disabled widget.
    if (!isEnabled()) return;
    const QPoint p = event->position().toPoint();
    MouseMove(p.x(), p.y());
}

void XLinkLabel::enterEvent(QEnterEvent* event) {
    if (!isEnabled()) return;
    const QPoint p = event->position().toPoint();
    MouseMove(p.x(), p.y());
}

void XLinkLabel::leaveEvent(QEvent*) {
    MouseMove(-1, -1);
}

void XLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Click();
}
