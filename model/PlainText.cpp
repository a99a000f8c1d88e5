#include "PlainText.h"

namespace ezr {

namespace {

bool isControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
}

} // namespace

bool hasControlCharacters(QStringView text) {
    for (const QChar c : text) {
        if (isControl(c))
            return true;
    }
    return false;
}

QString oneLine(QStringView text) {
    QString line = text.toString();
    if (!hasControlCharacters(text))
        return line;
    for (QChar& c : line) {
        if (isControl(c))
            c = QLatin1Char('?');
    }
    return line;
}

} // namespace ezr
