#include "core/text/ratetext.h"

QString FormatRateText(const QString& s) {
    if (!s.contains(u',') && !s.contains(u'.')) {
        if (s.size() >= 4 && s.size() <= 7) return s.left(s.size() - 3) + u'.' + s.right(3);
        return s;
    }
    QString r = s;
    r.replace(u'.', u',');
    return r;
}
