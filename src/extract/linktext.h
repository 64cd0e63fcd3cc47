#pragma once

#include <QString>

namespace pagemint {

/** A link as the extractors queue and list it: every "%2520" (a space encoded twice) becomes a
 *  plain space; nothing else changes. */
inline QString LinkWithSpaces(const QString& url)
{
    QString text = url;
    text.replace(QStringLiteral("%2520"), QStringLiteral(" "));
    return text;
}

} // namespace pagemint
