#include "LiteralReplace.h"

QString replaceLiterally(const QString &text, const QRegularExpression &regex, int group,
                         const QString &replacement)
{
    QString result;
    qsizetype copied = 0;
    QRegularExpressionMatchIterator matches = regex.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        result += QStringView(text).mid(copied, match.capturedStart(group) - copied);
        result += replacement;
        copied = match.capturedEnd(group);
    }
    result += QStringView(text).mid(copied);
    return result;
}
