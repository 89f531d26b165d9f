#pragma once

#include "controls/propertybag.h"

#include <QFont>
#include <QUrl>
#include <QWidget>
#include <functional>

// A one-line label that works as a hyperlink: it draws its caption itself at its
// top-left corner, takes its hover look while the pointer is over it, and opens
// its URL with the desktop's handler when clicked. Colours are the 0x00BBGGRR
// numbers that design data carries (or system-colour references).
class XLinkLabel : public QWidget {
    Q_OBJECT
public:
    explicit XLinkLabel(QWidget* parent = nullptr);

    quint32 BackColor() const { return m_BackColor; }
    quint32 NormTextColor() const { return m_NormTextColor; }
    quint32 HoverTextColor() const { return m_HoverTextColor; }
    bool NormUnderline() const { return m_NormUnderline; }
    bool HoverUnderline() const { return m_HoverUnderline; }
    // Font and Enabled are the widget's own; set them with QWidget::setFont and
    // QWidget::setEnabled, which notify through changeEvent() whatever the caller holds.
    QFont Font() const { return font(); }
    QString Caption() const { return m_Caption; }
    QString URL() const { return m_URL; }
    bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }

    void setBackColor(quint32 c);
    void setNormTextColor(quint32 c);
    void setHoverTextColor(quint32 c);
    void setNormUnderline(bool u);
    void setHoverUnderline(bool u);
    void setCaption(const QString& c);
    void setURL(const QString& url);

    // A new instance placed on its host takes the host's look and its own name as caption.
    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;
    // The pointer at (x, y) of the control; both edges count as inside.
    void MouseMove(int x, int y);
    void Click();

    bool isHover() const { return mHover; }
    // What the drawing surface holds at the moment.
    QColor surfaceTextColor() const;
    bool surfaceUnderline() const { return m_surfaceUnderline; }

    // Who opens URLs; the desktop's handler unless a host or a test says otherwise.
    void setOpener(std::function<bool(const QUrl&)> opener) { m_opener = std::move(opener); }

    static QColor toColor(quint32 value, const QPalette& palette);
    static quint32 fromColor(const QColor& c);
    static QString defaultUrl();

signals:
    // The host's design has changed: the property of that name.
    void propertyChanged(const QString& name);

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void redraw();
    quint32 ambientBack() const;
    quint32 ambientFore() const;
    QFont ambientFont() const;

    int mHeight = 0;
    int mWidth = 0;
    bool mHover = false;
    quint32 m_BackColor = 0;
    quint32 m_NormTextColor = 0;
    quint32 m_HoverTextColor = 0;
    bool m_NormUnderline = false;
    bool m_HoverUnderline = false;
    QString m_Caption;
    QString m_URL;
    bool m_ownEnabled = true; // last told; a parent's change leaves the property as it was

    quint32 m_surfaceBack = 0;
    quint32 m_surfaceText = 0;
    bool m_surfaceUnderline = false;
    std::function<bool(const QUrl&)> m_opener;
};
