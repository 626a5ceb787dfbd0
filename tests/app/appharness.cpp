#include "appharness.h"

#include "app/appinfo.h"
#include "app/sourcelistmodel.h"
#include "jws/jwsdata.h"
#include "support/jwsfixture.h"

#include "core/path.h"

#include <filesystem>

namespace pravelot::test {

AppHarness::AppHarness()
{
    std::filesystem::create_directories(tmp.path() / "prog");
    folders = AppFolders::resolve(tmp.file("prog/pravelot"), u"/nonexistent/bin",
                                  tmp.file("config"), tmp.file("cache"));
    // The user's documents folder, as the desktop names it.
    std::filesystem::create_directories(nativePath(tmp.file("文書")));
    const QByteArray line = "XDG_DOCUMENTS_DIR=\"" + path(QStringLiteral("文書")).toUtf8() + "\"\n";
    writeBytes(tmp.file("xdg/user-dirs.dirs"), Bytes(line.begin(), line.end()));
    m_hadConfigHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    m_configHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", path(QStringLiteral("xdg")).toUtf8());
}

AppHarness::~AppHarness()
{
    m_mainWindow.reset();
    if (m_hadConfigHome)
        qputenv("XDG_CONFIG_HOME", m_configHome);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

QString AppHarness::documents() const { return path(QStringLiteral("文書/")); }

void AppHarness::start(const QStringList &arguments)
{
    if (m_mainWindow && m_mainWindow->isVisible())
        m_mainWindow->close();
    m_mainWindow.reset();
    closedSignal = false;
    m_mainWindow = std::make_unique<MainWindow>(folders, dialogs, arguments);
    m_checkWindow = new CheckWindow(m_mainWindow.get());
    m_mainWindow->setCheckWindow(m_checkWindow);
    QObject::connect(m_mainWindow.get(), &MainWindow::closed, [this] { closedSignal = true; });
    m_mainWindow->show();
}

void AppHarness::close() { m_mainWindow->close(); }

QStringList AppHarness::log()
{
    QStringList out;
    auto *list = widget<QListWidget>("log");
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList AppHarness::files()
{
    QStringList out;
    const SourceListModel &model = m_mainWindow->sourceModel();
    for (int r = 0; r < model.count(); ++r)
        out << model.entry(r).file;
    return out;
}

QStringList AppHarness::names()
{
    QStringList out;
    const SourceListModel &model = m_mainWindow->sourceModel();
    for (int r = 0; r < model.count(); ++r)
        out << model.index(r, SourceListModel::NameColumn).data().toString();
    return out;
}

QTableView *AppHarness::list() { return widget<QTableView>("sourceList"); }

QString AppHarness::path(const QString &name) const { return qs(tmp.file(name.toStdString())); }

QString AppHarness::folder() const { return qs(tmp.folder()); }

QString AppHarness::writeFigure(const QString &name, Figure kind, const std::u16string &blockDef)
{
    TJwsData d = emptyDoc(600);
    addTop(d, line(0, 0, 10, 10));
    addTop(d, line(10, 0, 0, 10));
    if (!blockDef.empty()) {
        TEntJwwBlockDef &def = addDef(d, 1, blockDef);
        addMember(def, line(0, 0, 1, 1));
        addTop(d, blockRef(1, 5, 5));
        d.MakeBlockTree();
    }
    Bytes bytes = writeJws(d, {600});
    if (kind == Figure::Truncated)
        bytes.resize(bytes.size() - 12);
    if (kind == Figure::Invalid)
        bytes = {'n', 'o', 't', ' ', 'a', ' ', 'f', 'i', 'g', 'u', 'r', 'e'};
    QString p = path(name);
    writeBytes(us(p), bytes);
    return p;
}

} // namespace pravelot::test
