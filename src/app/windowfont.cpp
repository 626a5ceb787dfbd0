#include "app/windowfont.h"

#include <QFontDatabase>
#include <QStringList>

namespace pravelot {

QFont windowFont(int pixelSize)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QStringList families = {QStringLiteral("ＭＳ ゴシック"),
                            QStringLiteral("MS Gothic"),
                            QStringLiteral("IPAGothic"),
                            QStringLiteral("IPAゴシック"),
                            QStringLiteral("Noto Sans Mono CJK JP"),
                            QStringLiteral("VL Gothic"),
                            QStringLiteral("Noto Sans CJK JP")};
    families << font.family();
    font.setFamilies(families);
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace pravelot
