#pragma once

#include <QRegularExpression>
#include <QString>

// Replaces capture group `group` (0: the whole match) of every match of `regex` in `text` by
// `replacement` taken literally: unlike QString::replace, a "\1" or "&" in the replacement is
// not expanded.
QString replaceLiterally(const QString &text, const QRegularExpression &regex, int group,
                         const QString &replacement);
