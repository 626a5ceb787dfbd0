// Names of the desktop program that more than one window or dialog shows.
#pragma once

#include <QString>

#include <string>

namespace pravelot {

// The application title: the caption of its message boxes and the name of its desktop entry.
inline QString applicationTitle() { return QStringLiteral("Pravelot 図形ブロック化"); }
// The main window's caption.
inline QString mainCaption() { return QStringLiteral("Pravelot 図形ブロック化 Ver.1.10"); }

// Texts cross between the core (UTF-16 strings) and the widgets (QString) unchanged.
inline QString qs(const std::u16string &s) { return QString::fromStdU16String(s); }
inline std::u16string us(const QString &s) { return s.toStdU16String(); }

} // namespace pravelot
