#include "app/designfont.h"

#include <QFontDatabase>
#include <QStringList>

QFont designFont() {
    // The design was measured in the 8-point MS Sans Serif. Where that face is
    // missing, an Arial-metric face at 10 pixels sets the same widths: at its
    // nominal 8 points (11 pixels) it would cut the longer captions.
    QFont f;
    if (QFontDatabase::hasFamily(QStringLiteral("MS Sans Serif"))) {
        f.setFamilies({QStringLiteral("MS Sans Serif")});
        f.setPointSizeF(8.0);
    } else {
        f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
        f.setPixelSize(10);
    }
    return f;
}
