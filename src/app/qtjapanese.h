// Qt's own texts (the buttons of message boxes, the file and folder dialogs) in
// Japanese like the rest of the program, whatever the user's locale.
#pragma once

#include <QStringList>
#include <QTranslator>

namespace pravelot {

class QtJapanese : public QTranslator {
public:
    // Loads Qt's Japanese translation, qtbase_ja.qm, from the first of searchFolders()
    // that holds it.
    explicit QtJapanese(QObject *parent = nullptr);

    // qtbase_ja.qm was found and loaded.
    bool found() const { return m_found; }

    // Installs the translation in the application and makes Japanese the locale that
    // dates, sizes and file types are shown in.
    void install();

    // Where qtbase_ja.qm is looked for: Qt's own translations folder (where Debian's
    // qt6-translations-l10n puts it), then "translations" beside the program and the
    // program's folder (where a copied program carries it).
    static QStringList searchFolders();

    // Qt's translation, completed with the few texts it lacks.
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override;
    bool isEmpty() const override { return false; }

private:
    bool m_found = false;
};

} // namespace pravelot
