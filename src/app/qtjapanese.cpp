#include "app/qtjapanese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

#include <cstring>

namespace pravelot {

namespace {

// Texts of Qt 6 that its Japanese translation does not carry (they moved to a new
// context); the file dialog shows them in its type column.
struct Missing {
    const char *context;
    const char *source;
    const char16_t *japanese;
};
const Missing kMissing[] = {
    {"QAbstractFileIconProvider", "Folder", u"フォルダ"},
    {"QAbstractFileIconProvider", "File Folder", u"ファイル フォルダ"},
    {"QAbstractFileIconProvider", "Drive", u"ドライブ"},
    {"QAbstractFileIconProvider", "Shortcut", u"ショートカット"},
    {"QAbstractFileIconProvider", "Alias", u"エイリアス"},
    {"QAbstractFileIconProvider", "Unknown", u"不明"},
};

} // namespace

QtJapanese::QtJapanese(QObject *parent) : QTranslator(parent)
{
    for (const QString &folder : searchFolders()) {
        if (load(QStringLiteral("qtbase_ja"), folder)) {
            m_found = true;
            break;
        }
    }
}

QStringList QtJapanese::searchFolders()
{
    const QString program = QCoreApplication::applicationDirPath();
    return {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
            program + QStringLiteral("/translations"), program};
}

void QtJapanese::install()
{
    QCoreApplication::installTranslator(this);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
}

QString QtJapanese::translate(const char *context, const char *sourceText,
                              const char *disambiguation, int n) const
{
    QString qt = QTranslator::translate(context, sourceText, disambiguation, n);
    if (!qt.isEmpty() || !context || !sourceText)
        return qt;
    for (const Missing &m : kMissing)
        if (std::strcmp(m.context, context) == 0 && std::strcmp(m.source, sourceText) == 0)
            return QString::fromUtf16(m.japanese);
    return qt;
}

} // namespace pravelot
