#pragma once
/**
 * The product's own addresses: its web domain (start URLs may not point at it), its help
 * page, its homepage and the maker's e-mail address. Defined here once.
 */

#include <QString>

namespace ProductInfo {

inline QString MakerDomain() { return QStringLiteral("pagemint.example"); }
inline QString HelpPageURL() { return QStringLiteral("https://www.pagemint.example/help/"); }
inline QString HomepageURL() { return QStringLiteral("https://www.pagemint.example/"); }
inline QString MakerEmail() { return QStringLiteral("support@pagemint.example"); }

} // namespace ProductInfo
