#include "app/mainwindow.h"

#include "app/appinfo.h"
#include "app/appstyle.h"
#include "app/checkwindow.h"
#include "app/clicklabel.h"
#include "app/escapewatcher.h"
#include "app/linelist.h"
#include "app/pathlabel.h"
#include "app/previewwindow.h"
#include "app/removerowscommand.h"
#include "app/sourceintake.h"
#include "app/sourcelistmodel.h"
#include "app/sourcelistview.h"
#include "app/statuslabel.h"
#include "app/thumbnailview.h"
#include "app/windowfont.h"
#include "app/windowgeometry.h"
#include "app/windowhost.h"
#include "convert/converter.h"
#include "convert/datacheck.h"
#include "convert/runfiles.h"
#include "core/path.h"
#include "jws/jwwtype.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace pravelot {

namespace {

const QString kPickerCaption = QStringLiteral("変換後のファイルを保存するフォルダを指定して下さい");
const QString kPlainStyle = QStringLiteral("Windows");
const QString kStatusHint =
    QStringLiteral("※保存先フォルダに同じ名前のファイルが存在する場合は名前に枝番が付きます");

QList<Dialogs::Filter> figureFileFilters()
{
    return {{QStringLiteral("Jw_cad 図形ファイル"), QStringLiteral("*.jws;*.jwk")},
            {QStringLiteral("Jw_cad 図形ファイル(win)"), QStringLiteral("*.jws")},
            {QStringLiteral("Jw_cad 図形ファイル(dos)"), QStringLiteral("*.jwk")},
            {QStringLiteral("全てのファイル(*.*)"), QStringLiteral("*.*")}};
}

// Where the dialogs open when they have no folder of their own yet: the user's documents
// folder (the home folder where there is none), with trailing separator.
QString documentsFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return qs(AddPathDelim(us(QDir::toNativeSeparators(folder))));
}

// The folder a dialog opens at: folder when it names an existing folder, else the
// documents folder.
QString pickerStart(const QString &folder)
{
    return !folder.isEmpty() && folderExistsSafe(us(folder)) ? folder : documentsFolder();
}

// The folders that making folder would make, itself first and its parents after it.
QStringList missingFolders(const QString &folder)
{
    QStringList missing;
    QString f = QDir::cleanPath(folder);
    while (!f.isEmpty() && !QFileInfo::exists(f)) {
        missing << f;
        const QString parent = QFileInfo(f).path();
        if (parent == f)
            break;
        f = parent;
    }
    return missing;
}

// The user's desktop or documents folder, with trailing separator. A fresh account may
// not have it yet; it is made, as the user chose it as destination.
std::u16string standardFolder(QStandardPaths::StandardLocation location)
{
    std::u16string folder =
        AddPathDelim(us(QDir::toNativeSeparators(QStandardPaths::writableLocation(location))));
    if (!folderExistsSafe(folder))
        DirCreateSafe(folder);
    return folder;
}

QRadioButton *radio(const char16_t *text, const char *name, QWidget *parent)
{
    auto *b = new QRadioButton(QString::fromUtf16(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QPushButton *button(const char16_t *text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(QString::fromUtf16(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

// Controls that could start another action are disabled while a check or run goes on;
// the window still repaints between files and sees the Escape key.
class BusyScope {
public:
    explicit BusyScope(std::function<void(bool)> set) : m_set(std::move(set)) { m_set(true); }
    ~BusyScope() { m_set(false); }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    std::function<void(bool)> m_set;
};

} // namespace

MainWindow::MainWindow(AppFolders folders, Dialogs &dialogs, QStringList arguments, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      m_folders(std::move(folders)), m_dialogs(dialogs), m_arguments(std::move(arguments))
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(mainCaption());
    // Set before the controls are made, so that they all take it over.
    setFont(windowFont());
    m_escape = new EscapeWatcher(this);
    buildWidgets();
    startUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildWidgets()
{
    m_central = new QWidget(this);
    setCentralWidget(m_central);
    auto *main = new QVBoxLayout(m_central);
    main->setContentsMargins(4, 4, 4, 0);
    main->addWidget(buildDestinationGroup());
    main->addWidget(buildDropHint());
    main->addWidget(buildPages(), 1);
    buildStatusBar();

    // The figure of the row the user picks, in a window of its own beside this one.
    m_preview = new PreviewWindow(this);
    connect(m_sourceList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                previewRow(current.row(), m_sourceList->hasFocus() || m_thumbnails->hasFocus());
            });
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_sourceList),
                                    static_cast<QAbstractItemView *>(m_thumbnails)})
        connect(view, &QAbstractItemView::clicked, this,
                [this](const QModelIndex &index) { previewRow(index.row(), true); });
}

QGroupBox *MainWindow::buildDestinationGroup()
{
    auto *group = new QGroupBox(QStringLiteral("保存先(&F)"), m_central);
    m_toDesktop = radio(u"デスクトップ", "toDesktop", group);
    m_toDocuments = radio(u"マイドキュメント", "toDocuments", group);
    m_besideSources = radio(u"元ファイルのフォルダ", "besideSources", group);
    m_toFixedFolder = radio(u"指定フォルダ", "toFixedFolder", group);
    m_askEachRun = radio(u"毎回指定", "askEachRun", group);
    m_destinationButtons = {m_toDesktop, m_toDocuments, m_besideSources, m_toFixedFolder,
                            m_askEachRun};
    m_fixedFolder = new QLineEdit(group);
    m_fixedFolder->setObjectName(QStringLiteral("fixedFolder"));
    // Files dropped anywhere on the window are sources, also over the folder box.
    m_fixedFolder->setAcceptDrops(false);
    m_browseButton = button(u"参照", "browseButton", group);
    // A long folder must not widen the window: it is shortened in the middle.
    m_askedFolder = new PathLabel(group);
    m_askedFolder->setObjectName(QStringLiteral("askedFolder"));
    auto *groupLayout = new QVBoxLayout(group);
    auto *line1 = new QHBoxLayout;
    line1->addWidget(m_toDesktop);
    line1->addWidget(m_toDocuments);
    line1->addWidget(m_besideSources);
    line1->addStretch(1);
    auto *line2 = new QHBoxLayout;
    line2->addWidget(m_toFixedFolder);
    line2->addWidget(m_fixedFolder, 1);
    line2->addWidget(m_browseButton);
    auto *line3 = new QHBoxLayout;
    line3->addWidget(m_askEachRun);
    line3->addWidget(m_askedFolder, 1);
    groupLayout->addLayout(line1);
    groupLayout->addLayout(line2);
    groupLayout->addLayout(line3);
    for (QRadioButton *b : m_destinationButtons)
        connect(b, &QRadioButton::toggled, this, [this] { destinationChanged(); });
    connect(m_browseButton, &QPushButton::clicked, this, [this] { browseFixedFolder(); });
    return group;
}

QWidget *MainWindow::buildDropHint()
{
    auto *hint = new QWidget(m_central);
    auto *hintLayout = new QVBoxLayout(hint);
    hintLayout->setContentsMargins(0, 4, 0, 4);
    auto *hintText =
        new QLabel(QStringLiteral("エクスプローラ等からドラッグ＆ドロップするか、または、"), hint);
    m_addLink = new ClickLabel(
        QStringLiteral("ここをクリックして変換するファイルを選択して下さい。"), hint);
    m_addLink->setObjectName(QStringLiteral("addLink"));
    m_addLink->setAlignment(Qt::AlignHCenter);
    hintLayout->addWidget(hintText);
    hintLayout->addWidget(m_addLink);
    connect(m_addLink, &ClickLabel::clicked, this, [this] { addFiles(); });
    return hint;
}

QTabWidget *MainWindow::buildPages()
{
    // Tabs at the bottom.
    m_pages = new QTabWidget(m_central);
    m_pages->setObjectName(QStringLiteral("pages"));
    m_pages->setTabPosition(QTabWidget::South);
    m_settingsPage = new QWidget;
    m_settingsPage->setObjectName(QStringLiteral("settingsPage"));
    m_logPage = new QWidget;
    m_logPage->setObjectName(QStringLiteral("logPage"));
    m_pages->addTab(m_settingsPage, QStringLiteral("設定(&S)"));
    m_pages->addTab(m_logPage, QStringLiteral("ログ(&L)"));
    buildSettingsPage();
    buildLogPage();
    return m_pages;
}

void MainWindow::buildSettingsPage()
{
    auto *page1 = new QVBoxLayout(m_settingsPage);
    auto *styleLine = new QHBoxLayout;
    m_styleBox = new QComboBox(m_settingsPage);
    m_styleBox->setObjectName(QStringLiteral("styleBox"));
    styleLine->addWidget(new QLabel(QStringLiteral("画面スタイル："), m_settingsPage));
    styleLine->addWidget(m_styleBox);
    styleLine->addWidget(new QLabel(QStringLiteral("※次回起動時に有効"), m_settingsPage));
    styleLine->addStretch(1);
    page1->addLayout(styleLine);
    m_thumbnailButton = new QToolButton(m_settingsPage);
    m_thumbnailButton->setObjectName(QStringLiteral("thumbnailButton"));
    m_thumbnailButton->setText(QStringLiteral("サムネイル"));
    m_thumbnailButton->setCheckable(true);
    auto *captionLine = new QHBoxLayout;
    captionLine->addWidget(new QLabel(QStringLiteral("変換元ファイル一覧"), m_settingsPage));
    captionLine->addStretch(1);
    captionLine->addWidget(m_thumbnailButton);
    page1->addLayout(captionLine);
    connect(m_styleBox, &QComboBox::activated, this, [this](int i) { styleChosen(i); });

    buildSourceList();
    m_addButton = button(u"追加(&A)", "addButton", m_settingsPage);
    m_addFolderButton = button(u"フォルダ追加…", "addFolderButton", m_settingsPage);
    m_removeButton = button(u"削除(&D)", "removeButton", m_settingsPage);
    m_checkButton = button(u"確認(&C)", "checkButton", m_settingsPage);
    auto *listLine = new QHBoxLayout;
    auto *side = new QVBoxLayout;
    side->addWidget(m_addButton);
    side->addWidget(m_addFolderButton);
    side->addWidget(m_removeButton);
    side->addWidget(m_checkButton);
    side->addStretch(1);
    listLine->addWidget(m_listStack, 1);
    listLine->addLayout(side);
    page1->addLayout(listLine, 1);

    m_lookupButton = button(u"ﾌｧｲﾙ内BL名確認(&B)", "lookupButton", m_settingsPage);
    m_convertButton = button(u"変換(&R)", "convertButton", m_settingsPage);
    QFont large = m_convertButton->font();
    large.setPixelSize(16);
    m_convertButton->setFont(large);
    m_convertButton->setMinimumHeight(QFontMetrics(large).height() + 14);
    m_closeButton = button(u"閉じる(&X)", "closeButton", m_settingsPage);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_lookupButton);
    bottom->addStretch(1);
    bottom->addWidget(m_convertButton, 2);
    bottom->addWidget(m_closeButton);
    page1->addLayout(bottom);
    connectPageButtons();
}

void MainWindow::buildSourceList()
{
    m_model = new SourceListModel(this);
    m_model->setObjectName(QStringLiteral("sourceModel"));
    m_listStack = new QStackedWidget(m_settingsPage);
    m_sourceList = new SourceListView(m_listStack);
    m_sourceList->setObjectName(QStringLiteral("sourceList"));
    m_sourceList->setModel(m_model);
    // The same list as pictures, with the same selection.
    m_thumbnails = new ThumbnailView(m_listStack);
    m_thumbnails->setObjectName(QStringLiteral("thumbnails"));
    m_thumbnails->setSourceModel(m_model);
    m_thumbnails->setSelectionModel(m_sourceList->selectionModel());
    m_listStack->addWidget(m_sourceList);
    m_listStack->addWidget(m_thumbnails);
    m_undo = new QUndoStack(this);
    // Removed rows come back with Ctrl+Z; a cell being edited takes the key itself.
    new QShortcut(QKeySequence::Undo, this, m_undo, &QUndoStack::undo);
    new QShortcut(QKeySequence::Redo, this, m_undo, &QUndoStack::redo);
    // Delete removes the selected rows, as 削除 does; while a cell is edited, the
    // editor has the key.
    for (QWidget *view :
         {static_cast<QWidget *>(m_sourceList), static_cast<QWidget *>(m_thumbnails)})
        new QShortcut(
            QKeySequence(Qt::Key_Delete), view, this, [this] { removeRows(); }, Qt::WidgetShortcut);
    // Whatever changes the list makes the counts of the last check or run stale.
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { listChanged(); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] { listChanged(); });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { listChanged(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { listChanged(); });
}

void MainWindow::showThumbnails(bool on)
{
    const bool hadFocus = m_listStack->currentWidget()->hasFocus();
    QAbstractItemView *view = on ? static_cast<QAbstractItemView *>(m_thumbnails)
                                 : static_cast<QAbstractItemView *>(m_sourceList);
    m_listStack->setCurrentWidget(view);
    if (m_thumbnailButton->isChecked() != on)
        m_thumbnailButton->setChecked(on);
    // The row in hand stays in sight.
    if (view->currentIndex().isValid())
        view->scrollTo(view->currentIndex());
    if (hadFocus)
        view->setFocus();
}

void MainWindow::connectPageButtons()
{
    connect(m_addButton, &QPushButton::clicked, this, [this] { addFiles(); });
    connect(m_addFolderButton, &QPushButton::clicked, this, [this] { addFolder(); });
    connect(m_removeButton, &QPushButton::clicked, this, [this] { removeRows(); });
    connect(m_checkButton, &QPushButton::clicked, this, [this] { listSelectedRows(); });
    connect(m_lookupButton, &QPushButton::clicked, this, [this] { lookUpBlockNames(); });
    connect(m_convertButton, &QPushButton::clicked, this, [this] { startConversion(); });
    connect(m_closeButton, &QPushButton::clicked, this, [this] { closeWindow(); });
    connect(m_thumbnailButton, &QToolButton::toggled, this,
            [this](bool on) { showThumbnails(on); });
    pageShortcuts({m_addButton, m_removeButton, m_checkButton, m_lookupButton, m_convertButton,
                   m_closeButton});
}

void MainWindow::buildLogPage()
{
    auto *page2 = new QVBoxLayout(m_logPage);
    page2->setContentsMargins(0, 0, 0, 0);
    m_log = new QListWidget(m_logPage);
    m_log->setObjectName(QStringLiteral("log"));
    showWholeLines(*m_log);
    page2->addWidget(m_log);
}

void MainWindow::buildStatusBar()
{
    // One text field, and the progress of a long check or run.
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setSizeGripEnabled(false);
    m_statusText = new StatusLabel(kStatusHint);
    m_statusText->setObjectName(QStringLiteral("StatusText"));
    statusBar()->addWidget(m_statusText, 1);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setMaximumWidth(120);
    m_progress->setTextVisible(true);
    m_progress->setFormat(QStringLiteral("%v/%m"));
    m_progress->hide();
    statusBar()->addPermanentWidget(m_progress);
    // Stops a long check, run or folder walk with the mouse, as Escape does.
    m_stopButton = new QPushButton(QStringLiteral("中止"));
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_stopButton->setFocusPolicy(Qt::NoFocus);
    m_stopButton->hide();
    connect(m_stopButton, &QPushButton::clicked, this, [this] { m_escape->stopLoop(); });
    statusBar()->addPermanentWidget(m_stopButton);
}

void MainWindow::previewRow(int row, bool open)
{
    const QString file = row >= 0 && row < m_model->count() ? m_model->entry(row).file : QString();
    // Rows the program moves the cursor to show only in a preview already open.
    if (!m_preview->isVisible() && !open)
        return;
    if (file.isEmpty()) {
        m_preview->clearFile();
        return;
    }
    m_preview->placeBeside(*this);
    // Some platforms activate every window they show; the keyboard stays here.
    const bool active = isActiveWindow();
    m_preview->show();
    if (active)
        activateWindow();
    if (file != m_preview->file())
        m_preview->showFile(file);
}

void MainWindow::pageShortcuts(const QList<QPushButton *> &buttons)
{
    // The buttons' own Alt keys work only while their page is in front. From the log
    // page the same keys bring the settings page forward, then act.
    QList<QShortcut *> shortcuts;
    for (QPushButton *b : buttons) {
        auto *shortcut = new QShortcut(QKeySequence::mnemonic(b->text()), this);
        shortcut->setEnabled(false);
        connect(shortcut, &QShortcut::activated, this, [this, b] {
            if (m_busy)
                return;
            m_pages->setCurrentWidget(m_settingsPage);
            b->setFocus(Qt::ShortcutFocusReason);
            b->click();
        });
        shortcuts << shortcut;
    }
    connect(m_pages, &QTabWidget::currentChanged, this, [this, shortcuts](int) {
        for (QShortcut *shortcut : shortcuts)
            shortcut->setEnabled(m_pages->currentWidget() == m_logPage);
    });
}

void MainWindow::startUp()
{
    // Folders made for the program are removed again at close when they are empty.
    m_madeFolders << missingFolders(qs(m_folders.WorkFolder));
    DirCreateSafe(m_folders.WorkFolder);
    applySettings(OpenDatFile(m_folders.settingsPath, us(documentsFolder())));
    m_fixedPickerStart = pickerStart(m_fixedFolder->text());
    m_askPickerStart = pickerStart(m_askedFolder->text());

    const QStringList styles = styleNames();
    m_styleBox->addItems(styles);
    const auto known = std::find_if(styles.begin(), styles.end(), [&](const QString &k) {
        return k.compare(m_styleName, Qt::CaseInsensitive) == 0;
    });
    m_styleName = known == styles.end() ? kPlainStyle : *known;
    if (QStyle *style = createStyle(m_styleName))
        QApplication::setStyle(style);
    else
        m_styleName = kPlainStyle;
    m_styleBox->setCurrentIndex(static_cast<int>(m_styleBox->findText(m_styleName)));

    setOuterGeometry(*this,
                     QRect(m_settings.Fm1x, m_settings.Fm1y, m_settings.Fm1w, m_settings.Fm1h));
}

void MainWindow::applySettings(const SettingsFile &s)
{
    m_settings = s;
    setDestination(s.Destination);
    m_fixedFolder->setText(qs(s.EditFl1));
    m_sourceFolder = qs(s.Label1);
    m_askedFolder->setPath(qs(s.LabelPreFolder));
    m_addFilter = s.Fidx;
    m_styleName = qs(s.gstyle);
    m_sourceList->setColumnWidths(s.ColWidth0, s.ColWidth1);
    m_lookupStart = qs(s.LookupFolder);
    destinationChanged();
}

SettingsFile MainWindow::currentSettings() const
{
    SettingsFile s;
    const QRect main = outerGeometry(*this);
    s.Fm1x = main.x();
    s.Fm1y = main.y();
    s.Fm1w = main.width();
    s.Fm1h = main.height();
    s.Destination = destination();
    s.EditFl1 = us(m_fixedFolder->text());
    s.Label1 = us(m_sourceFolder);
    s.LabelPreFolder = us(m_askedFolder->text());
    s.Fidx = m_addFilter;
    s.gstyle = us(m_styleName);
    s.ColWidth0 = m_sourceList->columnWidth(0);
    s.ColWidth1 = m_sourceList->columnWidth(1);
    s.LookupFolder = us(m_lookupFolder);
    if (m_checkWindow) {
        const QRect check = outerGeometry(*m_checkWindow);
        s.Fm2x = check.x();
        s.Fm2y = check.y();
        s.Fm2w = check.width();
        s.Fm2h = check.height();
    } else {
        s.Fm2x = m_settings.Fm2x;
        s.Fm2y = m_settings.Fm2y;
        s.Fm2w = m_settings.Fm2w;
        s.Fm2h = m_settings.Fm2h;
    }
    return s;
}

void MainWindow::saveSettings()
{
    // The user's configuration folder may not exist yet; beside the program it does.
    if (!m_folders.besideProgram) {
        const QString folder = qs(folderOf(m_folders.settingsPath));
        m_madeFolders << missingFolders(folder);
        DirCreateSafe(us(folder));
    }
    // A settings file that cannot be written is not worth a message: the program goes
    // on, and the previous file, if any, stays as it was.
    SaveDatFile(m_folders.settingsPath, currentSettings());
}

void MainWindow::setCheckWindow(CheckWindow *checkWindow)
{
    m_checkWindow = checkWindow;
    connect(m_checkWindow, &CheckWindow::removeErrorRows, this, [this] { removeErrorRows(); });
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        firstShow();
    }
}

void MainWindow::firstShow()
{
    createConverter();
    setAcceptDrops(true);
    if (!m_arguments.isEmpty())
        addSources(m_arguments);
    if (m_checkWindow) {
        const QRect check(m_settings.Fm2x, m_settings.Fm2y, m_settings.Fm2w, m_settings.Fm2h);
        setOuterGeometry(*m_checkWindow, check);
        // The first place lies over the main window's list and log: until the user gives
        // the window a place of its own, it goes beside the main window when first shown.
        const SettingsFile defaults;
        m_placeCheckWindow =
            check == QRect(defaults.Fm2x, defaults.Fm2y, defaults.Fm2w, defaults.Fm2h);
    }
}

void MainWindow::createConverter()
{
    // The converter sets the bound-image switches.
    m_conv = std::make_unique<Converter>();
    m_conv->JWS.BindImageFolder = m_folders.WorkFolder;
}

void MainWindow::freeConverter()
{
    if (m_conv)
        m_conv->JWS.DataFree();
    m_conv.reset();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing during a check or run stops it as Escape does, before the next file; the
    // window closes once it has stopped.
    if (m_busy) {
        m_closeAsked = true;
        m_escape->stopLoop();
        event->ignore();
        return;
    }
    if (!m_closed) {
        m_closed = true;
        shutDown();
    }
    event->accept();
    if (m_checkWindow)
        m_checkWindow->hide();
    emit closed();
}

void MainWindow::shutDown()
{
    if (m_conv)
        freeConverter();
    DirRemoveSafe(m_folders.WorkFolder);
    saveSettings();
    // Deepest first; a folder that holds anything (the settings file) stays.
    QStringList made = m_madeFolders;
    std::sort(made.begin(), made.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &f : std::as_const(made))
        QDir().rmdir(f);
}

// Destination options.

int MainWindow::destination() const
{
    for (std::size_t i = 0; i < m_destinationButtons.size(); ++i)
        if (m_destinationButtons[i]->isChecked())
            return static_cast<int>(i) + 1;
    return 0;
}

void MainWindow::setDestination(int option)
{
    // Auto-exclusive buttons cannot all be cleared; a damaged settings file may clear them.
    for (QRadioButton *b : m_destinationButtons)
        b->setAutoExclusive(false);
    for (std::size_t i = 0; i < m_destinationButtons.size(); ++i)
        m_destinationButtons[i]->setChecked(static_cast<int>(i) + 1 == option);
    for (QRadioButton *b : m_destinationButtons)
        b->setAutoExclusive(true);
}

void MainWindow::destinationChanged()
{
    const bool fixed = m_toFixedFolder->isChecked();
    m_fixedFolder->setEnabled(fixed);
    m_browseButton->setEnabled(fixed);
}

void MainWindow::browseFixedFolder()
{
    const std::optional<QString> chosen =
        m_dialogs.askFolder(this, kPickerCaption, m_fixedPickerStart);
    if (!chosen)
        return;
    m_fixedPickerStart = *chosen;
    m_fixedFolder->setText(qs(AddPathDelim(us(*chosen))));
}

void MainWindow::styleChosen(int index)
{
    // Takes effect at the next start.
    if (index >= 0)
        m_styleName = m_styleBox->itemText(index);
}

void MainWindow::closeWindow() { close(); }

// The source list.

std::vector<int> MainWindow::selectedRows() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange &r : m_sourceList->selectionModel()->selection())
        for (int row = r.top(); row <= r.bottom(); ++row)
            if (row < m_model->count())
                rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty() && m_model->count() > 0)
        rows.push_back(std::clamp(m_sourceList->currentIndex().row(), 0, m_model->count() - 1));
    return rows;
}

int MainWindow::sourceCount() const { return m_model->count(); }

QString MainWindow::statusText() const { return m_statusText->text(); }

void MainWindow::setStatus(const QString &text) { m_statusText->setStatus(text); }

void MainWindow::listChanged() { setStatus(kStatusHint); }

void MainWindow::addSource(const QString &fn) { addSources({fn}); }

void MainWindow::addSources(const QStringList &paths)
{
    if (m_busy)
        return;
    const bool folders = std::any_of(paths.begin(), paths.end(), [](const QString &p) {
        return !p.isEmpty() && folderExistsSafe(us(p));
    });
    SourceIntake intake;
    if (folders) {
        // A large tree takes a while: the window shows it is busy and takes Escape.
        BusyScope busy([this](bool b) { setBusy(b); });
        m_progress->setRange(0, 0);
        setStatus(QStringLiteral("フォルダ内の図形ファイルを探しています…(ESCで中止)"));
        m_escape->startLoop();
        intake = collectSources(paths, [this] {
            QCoreApplication::processEvents();
            return m_escape->pressedInLoop();
        });
    } else {
        intake = collectSources(paths, {});
    }
    if (intake.stopped) {
        setStatus(QStringLiteral("フォルダの追加を中止しました(ESC)"));
    } else {
        const int added = m_model->append(intake.entries);
        setStatus(intakeStatus(intake, added));
    }
    if (m_closeAsked)
        close();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_busy && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    if (m_busy)
        return;
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << QDir::toNativeSeparators(url.toLocalFile());
    event->acceptProposedAction();
    // After the drop is over: the file manager need not wait while a folder is walked.
    QMetaObject::invokeMethod(
        this, [this, paths] { addSources(paths); }, Qt::QueuedConnection);
}

void MainWindow::addFiles()
{
    Dialogs::OpenFiles request;
    request.title = QStringLiteral("変換元ファイルを指定");
    request.folder = pickerStart(m_sourceFolder);
    request.filters = figureFileFilters();
    request.filterIndex = m_addFilter;
    const std::optional<Dialogs::ChosenFiles> chosen = m_dialogs.openFiles(this, request);
    if (!chosen)
        return;
    m_sourceFolder = qs(folderOf(us(chosen->files.front())));
    m_addFilter = chosen->filterIndex;
    addSources(chosen->files);
}

void MainWindow::addFolder()
{
    const std::optional<QString> chosen =
        m_dialogs.askFolder(this, QStringLiteral("変換するフォルダを指定して下さい"),
                            pickerStart(m_folderStart.isEmpty() ? m_sourceFolder : m_folderStart));
    if (!chosen)
        return;
    m_folderStart = *chosen;
    addSources({*chosen});
}

void MainWindow::removeRows()
{
    if (m_model->count() == 0)
        return;
    // The only listed file goes whatever is selected.
    std::vector<int> rows = m_model->count() == 1 ? std::vector<int>{0} : selectedRows();
    m_undo->push(new RemoveRowsCommand(*m_model, std::move(rows),
                                       [this](const QList<QString> &files, bool removed, int row) {
                                           rowsChanged(files, removed, row);
                                       }));
}

void MainWindow::rowsChanged(const QList<QString> &files, bool removed, int row)
{
    if (removed && m_checkWindow)
        m_checkWindow->forgetFiles(files);
    m_sourceList->selectionModel()->clearSelection();
    const QModelIndex current = m_model->index(row, SourceListModel::FileColumn);
    m_sourceList->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect |
                                                                 QItemSelectionModel::Rows);
    // The preview follows to the row now current (or empties with the list).
    previewRow(m_model->count() > 0 ? row : -1, false);
}

// Checks and the run.

void MainWindow::setBusy(bool busy)
{
    if (busy)
        m_focusBefore = QApplication::focusWidget();
    m_busy = busy;
    m_central->setEnabled(!busy);
    m_progress->setVisible(busy);
    m_stopButton->setVisible(busy);
    if (busy)
        m_progress->setRange(0, std::max(m_model->count(), 1));
    else
        takeKeyboardBack();
}

void MainWindow::takeKeyboardBack()
{
    // Dialogs and the data-check window came and went: a window manager that gives the
    // keyboard to the window under the pointer would leave it nowhere (and the Alt keys
    // dead) until the pointer crossed the window's edge again.
    if (!isVisible())
        return;
    activateWindow();
    QWidget *w = m_focusBefore;
    if (!w || w->window() != this || !w->isVisible() || !w->isEnabled())
        w = m_pages->currentWidget() == m_logPage ? static_cast<QWidget *>(m_log)
                                                  : static_cast<QWidget *>(m_convertButton);
    w->setFocus(Qt::OtherFocusReason);
}

void MainWindow::showCheckWindow()
{
    if (!m_checkWindow)
        return;
    if (m_placeCheckWindow) {
        m_placeCheckWindow = false;
        const QRect check(m_settings.Fm2x, m_settings.Fm2y, m_settings.Fm2w, m_settings.Fm2h);
        // Beside the preview too, when it is open.
        const QRect preview = m_preview->isVisible() ? outerGeometry(*m_preview) : QRect();
        setOuterGeometry(*m_checkWindow,
                         placeBeside(placeOnScreen(check, availableAreas()), outerGeometry(*this),
                                     availableAreas(), preview));
    }
    m_checkWindow->show();
    m_checkWindow->raise();
    m_checkWindow->clearLines();
}

bool MainWindow::checkSources()
{
    if (!m_conv || !m_checkWindow)
        return false;
    CheckOutcome outcome;
    {
        BusyScope busy([this](bool b) { setBusy(b); });
        showCheckWindow();
        const std::vector<SourceRow> rows = m_model->sourceRows();
        WindowHost host(*m_checkWindow, *m_log, *m_progress, *m_escape, rows);
        outcome = pravelot::DataCheck(rows, *m_conv, host);
        // Errors apart from warnings, the first error in sight.
        QSet<QString> errors, warnings;
        for (const std::size_t r : outcome.errorRows)
            errors.insert(qs(rows[r].file));
        for (const std::size_t r : outcome.warningRows)
            warnings.insert(qs(rows[r].file));
        m_checkWindow->markFindings(errors, warnings);
    }
    if (!outcome.error && !outcome.warning)
        m_checkWindow->hide();
    setStatus(qs(checkStatusText(outcome, m_model->count())));
    statusBar()->repaint();
    return outcome.runMayStart();
}

void MainWindow::runConversion()
{
    if (m_model->count() == 0 || !m_conv)
        return;
    std::optional<std::u16string> dest;
    switch (destination()) {
    case 1:
        dest = standardFolder(QStandardPaths::DesktopLocation);
        break;
    case 2:
        dest = standardFolder(QStandardPaths::DocumentsLocation);
        break;
    case 3:
        break; // beside each source
    case 4: {
        const std::u16string folder = AddPathDelim(us(m_fixedFolder->text()));
        if (!folderExistsSafe(folder)) {
            m_dialogs.message(this,
                              QStringLiteral("指定したフォルダが見つかりません。\n") + qs(folder));
            return;
        }
        dest = folder;
        break;
    }
    default: {
        const std::optional<QString> chosen =
            m_dialogs.askFolder(this, kPickerCaption, m_askPickerStart);
        if (!chosen)
            return;
        m_askPickerStart = *chosen;
        dest = AddPathDelim(us(*chosen));
        m_askedFolder->setPath(qs(*dest));
        break;
    }
    }

    saveSettings();
    m_log->clear();
    RunSummary summary;
    {
        BusyScope busy([this](bool b) { setBusy(b); });
        const std::vector<SourceRow> rows = m_model->sourceRows();
        WindowHost host(*m_checkWindow, *m_log, *m_progress, *m_escape);
        summary = runFiles(rows, dest, *m_conv, host);
        m_preview->setOutputs(summary.outputs);
    }
    m_pages->setCurrentIndex(1);
    m_log->scrollToBottom();
    const QString counts =
        summary.interrupted
            ? QStringLiteral("変換を中断しました(ESC)：変換完了 %1件、変換失敗 %2件")
            : QStringLiteral("変換終了：変換完了 %1件、変換失敗 %2件");
    setStatus(counts.arg(summary.converted).arg(summary.failed));
}

void MainWindow::listSelectedRows()
{
    if (m_model->count() == 0 || !m_conv || !m_checkWindow)
        return;
    showCheckWindow();
    const std::vector<SourceRow> rows = m_model->sourceRows();
    WindowHost host(*m_checkWindow, *m_log, *m_progress, *m_escape);
    for (const int r : selectedRows()) {
        const std::u16string &file = rows[static_cast<std::size_t>(r)].file;
        host.setSource(file);
        pravelot::Data1Check(file, rows, *m_conv, host);
    }
}

void MainWindow::lookUpBlockNames()
{
    if (!m_conv || !m_checkWindow)
        return;
    Dialogs::OpenFiles request;
    request.title = QStringLiteral("ブロック名を確認するファイルを指定");
    request.folder = pickerStart(m_lookupStart);
    request.filters = figureFileFilters();
    request.filterIndex = m_lookupFidx;
    const std::optional<Dialogs::ChosenFiles> chosen = m_dialogs.openFiles(this, request);
    if (!chosen)
        return;
    m_lookupFolder = qs(folderOf(us(chosen->files.front())));
    m_lookupStart = m_lookupFolder;
    m_lookupFidx = chosen->filterIndex;
    showCheckWindow();
    const std::vector<SourceRow> rows = m_model->sourceRows();
    WindowHost host(*m_checkWindow, *m_log, *m_progress, *m_escape);
    for (const QString &f : chosen->files) {
        host.setSource(us(f));
        pravelot::Data1Check(us(f), rows, *m_conv, host);
    }
}

void MainWindow::startConversion()
{
    if (m_model->count() == 0) {
        setStatus(QStringLiteral("変換するファイルを指定して下さい"));
        m_addButton->setFocus();
        return;
    }
    if (!m_dialogs.confirm(this, QStringLiteral("変換を開始します。よろしいですか？")))
        return;
    if (checkSources() && !m_closeAsked)
        runConversion();
    if (m_closeAsked)
        close();
    else
        takeKeyboardBack();
}

void MainWindow::removeErrorRows()
{
    std::vector<int> rows;
    for (const QString &f : m_checkWindow->errorFiles())
        if (const int r = m_model->rowOf(f); r >= 0)
            rows.push_back(r);
    if (rows.empty() || m_busy)
        return;
    const int count = static_cast<int>(rows.size());
    m_undo->push(new RemoveRowsCommand(*m_model, std::move(rows),
                                       [this](const QList<QString> &files, bool removed, int row) {
                                           rowsChanged(files, removed, row);
                                       }));
    setStatus(QStringLiteral("エラーのあった%1件を一覧から削除しました(Ctrl+Zで元に戻せます)")
                  .arg(count));
}

} // namespace pravelot
