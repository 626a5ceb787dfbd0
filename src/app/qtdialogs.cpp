#include "app/qtdialogs.h"

#include "app/appinfo.h"
#include "app/filecolumns.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace pravelot {

namespace {

// "*.jws" → "*.[jJ][wW][sS]": file names on Linux are case-sensitive, the figure
// files' extensions are not. Windows compares names without regard to case, and its
// own file dialog knows no brackets.
QString caseless(const QString &pattern)
{
    if (pattern == QStringLiteral("*.*"))
        return QStringLiteral("*");
#ifdef _WIN32
    return pattern;
#else
    QString out;
    for (QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper()) {
            out += QLatin1Char('[');
            out += c.toLower();
            out += c.toUpper();
            out += QLatin1Char(']');
        } else {
            out += c;
        }
    }
    return out;
#endif
}

} // namespace

QString QtDialogs::nameFilter(const Filter &filter)
{
    QStringList patterns;
    for (const QString &p : filter.patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        patterns << caseless(p.trimmed());
    return filter.name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

namespace {
// Sizes and dates in the program's locale, where the dialog is Qt's own.
void japaneseColumns(QFileDialog &dialog) { dialog.setProxyModel(new FileColumns(&dialog)); }
} // namespace

std::optional<QString> QtDialogs::askFolder(QWidget *parent, const QString &caption,
                                            const QString &start)
{
    QFileDialog dialog(parent, caption, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    japaneseColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().front());
}

bool QtDialogs::confirm(QWidget *parent, const QString &text)
{
    return QMessageBox::question(parent, applicationTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void QtDialogs::message(QWidget *parent, const QString &text)
{
    QMessageBox::information(parent, applicationTitle(), text);
}

std::optional<Dialogs::ChosenFiles> QtDialogs::openFiles(QWidget *parent, const OpenFiles &request)
{
    QFileDialog dialog(parent);
    japaneseColumns(dialog);
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    // The list shows the filters' names only, as the names say what they hold.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList filters;
    for (const Filter &f : request.filters)
        filters << nameFilter(f);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (!request.folder.isEmpty())
        dialog.setDirectory(request.folder);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    ChosenFiles chosen;
    // With backslashes on Windows, as Explorer shows paths.
    for (const QString &file : dialog.selectedFiles())
        chosen.files << QDir::toNativeSeparators(file);
    chosen.filterIndex = filterPosition(request.filters, dialog.selectedNameFilter());
    return chosen;
}

int QtDialogs::filterPosition(const QList<Filter> &filters, const QString &selected)
{
    // The dialog gives back the filter as it shows it: with its patterns, or, as here,
    // by its name alone.
    for (qsizetype i = 0; i < filters.size(); ++i)
        if (selected == nameFilter(filters[i]) || selected == filters[i].name)
            return static_cast<int>(i) + 1;
    return 1;
}

} // namespace pravelot
