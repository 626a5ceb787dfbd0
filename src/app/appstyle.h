// The visual styles the program offers by name, as the settings file stores them.
#pragma once

#include <QString>
#include <QStringList>

class QStyle;

namespace pravelot {

// The name of the plain look of the system, the default.
inline QString plainStyleName() { return QStringLiteral("Windows"); }

// The names of the styles offered, the plain look among them.
QStringList styleNames();

// The style of that name (one of styleNames(), letter case aside), or nullptr. On Windows
// "Windows" is the system's own look (Qt's "windowsvista" style), not Qt's imitation of
// the old one.
QStyle *createStyle(const QString &name);

} // namespace pravelot
