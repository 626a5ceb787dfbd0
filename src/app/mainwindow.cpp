#include "app/mainwindow.h"

#include "app/appinfo.h"
#include "app/appstyle.h"
#include "app/checkwindow.h"
#include "app/clicklabel.h"
#include "app/escapewatcher.h"
#include "app/linelist.h"
#include "app/previewwindow.h"
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
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
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

// The folder a picker opens at: folder when it names an existing folder, else fallback.
QString pickerStart(const QString &folder, const std::u16string &fallback)
{
    return !folder.isEmpty() && folderExistsSafe(us(folder)) ? folder : qs(fallback);
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

TForm1::TForm1(AppFolders folders, Dialogs &dialogs, QStringList arguments, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      m_folders(std::move(folders)), m_dialogs(dialogs), m_arguments(std::move(arguments))
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(mainCaption());
    // Set before the controls are made, so that they all take it over.
    setFont(windowFont());
    m_escape = new EscapeWatcher(this);
    buildWidgets();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildWidgets()
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
    connect(SG1, &QTableWidget::currentCellChanged, this,
            [this](int row) { previewRow(row, SG1->hasFocus()); });
    connect(SG1, &QTableWidget::cellClicked, this, [this](int row) { previewRow(row, true); });
}

QGroupBox *TForm1::buildDestinationGroup()
{
    auto *group = new QGroupBox(QStringLiteral("保存先(&F)"), m_central);
    RadioButtonFl1 = radio(u"デスクトップ", "RadioButtonFl1", group);
    RadioButtonFl2 = radio(u"マイドキュメント", "RadioButtonFl2", group);
    RadioButtonFl3 = radio(u"元ファイルのフォルダ", "RadioButtonFl3", group);
    RadioButtonFl4 = radio(u"指定フォルダ", "RadioButtonFl4", group);
    RadioButtonFl5 = radio(u"毎回指定", "RadioButtonFl5", group);
    m_destinationButtons = {RadioButtonFl1, RadioButtonFl2, RadioButtonFl3, RadioButtonFl4,
                            RadioButtonFl5};
    EditFl1 = new QLineEdit(group);
    EditFl1->setObjectName(QStringLiteral("EditFl1"));
    // Files dropped anywhere on the window are sources, also over the folder box.
    EditFl1->setAcceptDrops(false);
    ButtonFl1 = button(u"参照", "ButtonFl1", group);
    LabelPreFolder = new QLabel(group);
    LabelPreFolder->setObjectName(QStringLiteral("LabelPreFolder"));
    // A long folder must not widen the window.
    LabelPreFolder->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *groupLayout = new QVBoxLayout(group);
    auto *line1 = new QHBoxLayout;
    line1->addWidget(RadioButtonFl1);
    line1->addWidget(RadioButtonFl2);
    line1->addWidget(RadioButtonFl3);
    line1->addStretch(1);
    auto *line2 = new QHBoxLayout;
    line2->addWidget(RadioButtonFl4);
    line2->addWidget(EditFl1, 1);
    line2->addWidget(ButtonFl1);
    auto *line3 = new QHBoxLayout;
    line3->addWidget(RadioButtonFl5);
    line3->addWidget(LabelPreFolder, 1);
    groupLayout->addLayout(line1);
    groupLayout->addLayout(line2);
    groupLayout->addLayout(line3);
    for (QRadioButton *b : m_destinationButtons)
        connect(b, &QRadioButton::toggled, this, [this] { RadioButtonFl1Click(); });
    connect(ButtonFl1, &QPushButton::clicked, this, [this] { ButtonFl1Click(); });
    return group;
}

QWidget *TForm1::buildDropHint()
{
    auto *hint = new QWidget(m_central);
    auto *hintLayout = new QVBoxLayout(hint);
    hintLayout->setContentsMargins(0, 4, 0, 4);
    auto *hintText =
        new QLabel(QStringLiteral("エクスプローラ等からドラッグ＆ドロップするか、または、"), hint);
    Label3 = new ClickLabel(QStringLiteral("ここをクリックして変換するファイルを選択して下さい。"),
                            hint);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAlignment(Qt::AlignHCenter);
    Label1 = new QLabel(hint);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->hide();
    hintLayout->addWidget(hintText);
    hintLayout->addWidget(Label3);
    connect(Label3, &ClickLabel::clicked, this, [this] { Button1Click(); });
    return hint;
}

QTabWidget *TForm1::buildPages()
{
    // Tabs at the bottom.
    PageControl1 = new QTabWidget(m_central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::South);
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet1, QStringLiteral("設定(&S)"));
    PageControl1->addTab(TabSheet2, QStringLiteral("ログ(&L)"));
    buildSettingsPage();
    buildLogPage();
    return PageControl1;
}

void TForm1::buildSettingsPage()
{
    auto *page1 = new QVBoxLayout(TabSheet1);
    auto *styleLine = new QHBoxLayout;
    ComboBoxSc1 = new QComboBox(TabSheet1);
    ComboBoxSc1->setObjectName(QStringLiteral("ComboBoxSc1"));
    styleLine->addWidget(new QLabel(QStringLiteral("画面スタイル："), TabSheet1));
    styleLine->addWidget(ComboBoxSc1);
    styleLine->addWidget(new QLabel(QStringLiteral("※次回起動時に有効"), TabSheet1));
    styleLine->addStretch(1);
    page1->addLayout(styleLine);
    page1->addWidget(new QLabel(QStringLiteral("変換元ファイル一覧"), TabSheet1));
    connect(ComboBoxSc1, &QComboBox::activated, this, [this](int i) { ComboBoxSc1Select(i); });

    buildSourceGrid();
    Button1 = button(u"追加(&A)", "Button1", TabSheet1);
    Button2 = button(u"削除(&D)", "Button2", TabSheet1);
    Button3 = button(u"確認(&C)", "Button3", TabSheet1);
    auto *listLine = new QHBoxLayout;
    auto *side = new QVBoxLayout;
    side->addWidget(Button1);
    side->addWidget(Button2);
    side->addWidget(Button3);
    side->addStretch(1);
    listLine->addWidget(SG1, 1);
    listLine->addLayout(side);
    page1->addLayout(listLine, 1);

    Button4 = button(u"ﾌｧｲﾙ内BL名確認(&B)", "Button4", TabSheet1);
    Button5 = button(u"変換(&R)", "Button5", TabSheet1);
    QFont large = Button5->font();
    large.setPixelSize(16);
    Button5->setFont(large);
    Button5->setMinimumHeight(QFontMetrics(large).height() + 14);
    Button6 = button(u"閉じる(&X)", "Button6", TabSheet1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(Button4);
    bottom->addStretch(1);
    bottom->addWidget(Button5, 2);
    bottom->addWidget(Button6);
    page1->addLayout(bottom);
    connectPageButtons();
}

void TForm1::buildSourceGrid()
{
    SG1 = new QTableWidget(1, 2, TabSheet1);
    SG1->setObjectName(QStringLiteral("SG1"));
    SG1->verticalHeader()->hide();
    SG1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    SG1->horizontalHeader()->setStretchLastSection(false);
    SG1->horizontalHeader()->setHighlightSections(false);
    SG1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    SG1->setSelectionBehavior(QAbstractItemView::SelectItems);
    SG1->setShowGrid(true);
    SG1->setWordWrap(false);
    SG1->setTextElideMode(Qt::ElideLeft);
    SG1->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
    // Tab goes on to the buttons; the arrow keys walk the cells.
    SG1->setTabKeyNavigation(false);
    // Delete removes the selected rows, as 削除 does; while a cell is edited, the
    // editor has the key.
    new QShortcut(
        QKeySequence(Qt::Key_Delete), SG1, this, [this] { Button2Click(); }, Qt::WidgetShortcut);
    // Whatever changes the list makes the counts of the last check or run stale.
    connect(SG1->model(), &QAbstractItemModel::dataChanged, this, [this] { listChanged(); });
    connect(SG1->model(), &QAbstractItemModel::rowsInserted, this, [this] { listChanged(); });
    connect(SG1->model(), &QAbstractItemModel::rowsRemoved, this, [this] { listChanged(); });
}

void TForm1::connectPageButtons()
{
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(Button6, &QPushButton::clicked, this, [this] { Button6Click(); });
    pageShortcuts({Button1, Button2, Button3, Button4, Button5, Button6});
}

void TForm1::buildLogPage()
{
    auto *page2 = new QVBoxLayout(TabSheet2);
    page2->setContentsMargins(0, 0, 0, 0);
    ListBox1 = new QListWidget(TabSheet2);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    showWholeLines(*ListBox1);
    page2->addWidget(ListBox1);
}

void TForm1::buildStatusBar()
{
    // One text field, and the progress of a long check or run.
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    m_statusText = new QLabel(kStatusHint);
    m_statusText->setObjectName(QStringLiteral("StatusText"));
    m_statusText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(m_statusText, 1);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setMaximumWidth(120);
    m_progress->setTextVisible(true);
    m_progress->setFormat(QStringLiteral("%v/%m"));
    m_progress->hide();
    statusBar()->addPermanentWidget(m_progress);
}

void TForm1::previewRow(int row, bool open)
{
    const QString file = row >= 0 && row < DataListN ? cell(0, row + 1) : QString();
    // Rows the program moves the cursor to show only in a preview already open.
    if (isBlankCell(us(file)) || (!m_preview->isVisible() && !open))
        return;
    m_preview->placeBeside(*this);
    // Some platforms activate every window they show; the keyboard stays here.
    const bool active = isActiveWindow();
    m_preview->show();
    if (active)
        activateWindow();
    if (file != m_preview->file())
        m_preview->showFile(file);
}

void TForm1::pageShortcuts(const QList<QPushButton *> &buttons)
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
            PageControl1->setCurrentWidget(TabSheet1);
            b->setFocus(Qt::ShortcutFocusReason);
            b->click();
        });
        shortcuts << shortcut;
    }
    connect(PageControl1, &QTabWidget::currentChanged, this, [this, shortcuts](int) {
        for (QShortcut *shortcut : shortcuts)
            shortcut->setEnabled(PageControl1->currentWidget() == TabSheet2);
    });
}

void TForm1::FormCreate()
{
    DirCreateSafe(m_folders.WorkFolder);
    applySettings(OpenDatFile(m_folders.settingsPath, m_folders.AppFolder));
    m_browse1Start = pickerStart(EditFl1->text(), m_folders.AppFolder);
    m_browse2Start = pickerStart(LabelPreFolder->text(), m_folders.AppFolder);

    const QStringList styles = styleNames();
    ComboBoxSc1->addItems(styles);
    const auto known = std::find_if(styles.begin(), styles.end(), [&](const QString &k) {
        return k.compare(gstyle, Qt::CaseInsensitive) == 0;
    });
    gstyle = known == styles.end() ? kPlainStyle : *known;
    if (QStyle *style = createStyle(gstyle))
        QApplication::setStyle(style);
    else
        gstyle = kPlainStyle;
    ComboBoxSc1->setCurrentIndex(static_cast<int>(ComboBoxSc1->findText(gstyle)));

    setOuterGeometry(*this,
                     QRect(m_settings.Fm1x, m_settings.Fm1y, m_settings.Fm1w, m_settings.Fm1h));
}

void TForm1::applySettings(const SettingsFile &s)
{
    m_settings = s;
    setDestination(s.Destination);
    EditFl1->setText(qs(s.EditFl1));
    Label1->setText(qs(s.Label1));
    LabelPreFolder->setText(qs(s.LabelPreFolder));
    Fidx = s.Fidx;
    gstyle = qs(s.gstyle);
    SG1->setColumnWidth(0, s.ColWidth0);
    SG1->setColumnWidth(1, s.ColWidth1);
    m_lookupStart = qs(s.LookupFolder);
    RadioButtonFl1Click();
}

SettingsFile TForm1::currentSettings() const
{
    SettingsFile s;
    const QRect main = outerGeometry(*this);
    s.Fm1x = main.x();
    s.Fm1y = main.y();
    s.Fm1w = main.width();
    s.Fm1h = main.height();
    s.Destination = destination();
    s.EditFl1 = us(EditFl1->text());
    s.Label1 = us(Label1->text());
    s.LabelPreFolder = us(LabelPreFolder->text());
    s.Fidx = Fidx;
    s.gstyle = us(gstyle);
    s.ColWidth0 = SG1->columnWidth(0);
    s.ColWidth1 = SG1->columnWidth(1);
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

void TForm1::saveSettings()
{
    // The user's configuration folder may not exist yet; beside the program it does.
    if (!m_folders.besideProgram)
        DirCreateSafe(folderOf(m_folders.settingsPath));
    // A settings file that cannot be written is not worth a message: the program goes
    // on, and the previous file, if any, stays as it was.
    SaveDatFile(m_folders.settingsPath, currentSettings());
}

void TForm1::setCheckWindow(TForm2 *checkWindow) { m_checkWindow = checkWindow; }

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TForm1::FormShow()
{
    CreateDataObjects();
    DataListN = 0;
    SG1->setRowCount(1);
    SG1->setHorizontalHeaderLabels({QStringLiteral("ファイル名"), QStringLiteral("ブロック名")});
    setCell(0, 1, QString());
    setCell(1, 1, QString());
    SG1->setCurrentCell(0, 0);
    setAcceptDrops(true);
    for (const QString &a : std::as_const(m_arguments))
        PickupFile(a);
    if (m_checkWindow)
        setOuterGeometry(*m_checkWindow,
                         QRect(m_settings.Fm2x, m_settings.Fm2y, m_settings.Fm2w, m_settings.Fm2h));
}

void TForm1::CreateDataObjects()
{
    // The converter sets the bound-image switches.
    m_conv = std::make_unique<Converter>();
    m_conv->JWS.BindImageFolder = m_folders.WorkFolder;
}

void TForm1::FreeDataObjects()
{
    if (m_conv)
        m_conv->JWS.DataFree();
    m_conv.reset();
}

void TForm1::closeEvent(QCloseEvent *event)
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
        FormClose();
    }
    event->accept();
    if (m_checkWindow)
        m_checkWindow->hide();
    emit closed();
}

void TForm1::FormClose()
{
    if (m_conv)
        FreeDataObjects();
    DirRemoveSafe(m_folders.WorkFolder);
    saveSettings();
}

// Destination options.

int TForm1::destination() const
{
    for (std::size_t i = 0; i < m_destinationButtons.size(); ++i)
        if (m_destinationButtons[i]->isChecked())
            return static_cast<int>(i) + 1;
    return 0;
}

void TForm1::setDestination(int option)
{
    // Auto-exclusive buttons cannot all be cleared; a damaged settings file may clear them.
    for (QRadioButton *b : m_destinationButtons)
        b->setAutoExclusive(false);
    for (std::size_t i = 0; i < m_destinationButtons.size(); ++i)
        m_destinationButtons[i]->setChecked(static_cast<int>(i) + 1 == option);
    for (QRadioButton *b : m_destinationButtons)
        b->setAutoExclusive(true);
}

void TForm1::RadioButtonFl1Click()
{
    const bool fixed = RadioButtonFl4->isChecked();
    EditFl1->setEnabled(fixed);
    ButtonFl1->setEnabled(fixed);
}

void TForm1::ButtonFl1Click()
{
    const std::optional<QString> chosen = m_dialogs.askFolder(this, kPickerCaption, m_browse1Start);
    if (!chosen)
        return;
    m_browse1Start = *chosen;
    EditFl1->setText(qs(AddPathDelim(us(*chosen))));
}

void TForm1::ComboBoxSc1Select(int index)
{
    // Takes effect at the next start.
    if (index >= 0)
        gstyle = ComboBoxSc1->itemText(index);
}

void TForm1::Button6Click() { close(); }

// The source list.

QString TForm1::cell(int col, int row) const
{
    const QTableWidgetItem *item = SG1->item(row - 1, col);
    return item ? item->text() : QString();
}

void TForm1::setCell(int col, int row, const QString &text)
{
    if (QTableWidgetItem *item = SG1->item(row - 1, col))
        item->setText(text);
    else
        SG1->setItem(row - 1, col, new QTableWidgetItem(text));
}

std::pair<int, int> TForm1::selectedRows() const
{
    const QList<QTableWidgetSelectionRange> ranges = SG1->selectedRanges();
    if (ranges.isEmpty()) {
        const int row = std::max(SG1->currentRow(), 0) + 1;
        return {row, row};
    }
    int top = ranges.front().topRow();
    int bottom = ranges.front().bottomRow();
    for (const QTableWidgetSelectionRange &r : ranges) {
        top = std::min(top, r.topRow());
        bottom = std::max(bottom, r.bottomRow());
    }
    return {top + 1, bottom + 1};
}

std::vector<SourceRow> TForm1::sourceRows() const
{
    std::vector<SourceRow> rows;
    rows.reserve(static_cast<std::size_t>(DataListN));
    for (int r = 1; r <= DataListN; ++r)
        rows.push_back({us(cell(0, r)), us(cell(1, r))});
    return rows;
}

QString TForm1::statusText() const { return m_statusText->text(); }

void TForm1::setStatus(const QString &text) { m_statusText->setText(text); }

void TForm1::listChanged() { setStatus(kStatusHint); }

void TForm1::PickupFile(const QString &fn)
{
    if (fn.isEmpty())
        return;
    const std::u16string path = us(fn);
    const std::u16string ext = FileExtLower(path);
    if (ext != u".jwk" && ext != u".jws")
        return;
    // Only a regular file is a source: a folder, pipe or device with a figure file's
    // extension is refused here.
    if (!regularFileExistsSafe(path))
        return;
    ++DataListN;
    SG1->setRowCount(DataListN);
    setCell(0, DataListN, fn);
    setCell(1, DataListN, qs(ChangeExtSafe(FileNameOf(path), u"")));
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_busy && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event)
{
    if (m_busy)
        return;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            PickupFile(QDir::toNativeSeparators(url.toLocalFile()));
    event->acceptProposedAction();
}

void TForm1::Button1Click()
{
    Dialogs::OpenFiles request;
    request.title = QStringLiteral("変換元ファイルを指定");
    request.folder = Label1->text();
    request.filters = figureFileFilters();
    request.filterIndex = Fidx;
    request.fileName = QStringLiteral("\u3000");
    const std::optional<Dialogs::ChosenFiles> chosen = m_dialogs.openFiles(this, request);
    if (!chosen)
        return;
    Label1->setText(qs(folderOf(us(chosen->files.front()))));
    Fidx = chosen->filterIndex;
    for (const QString &f : chosen->files)
        PickupFile(f);
}

void TForm1::Button2Click()
{
    if (DataListN == 0)
        return;
    if (DataListN == 1) {
        setCell(0, 1, QString());
        setCell(1, 1, QString());
        DataListN = 0;
        return;
    }
    const auto [top, bottom] = selectedRows();
    const int count = bottom - top + 1;
    const int gridRows = SG1->rowCount();
    for (int r = bottom + 1; r <= gridRows; ++r) {
        for (int col = 0; col < 2; ++col) {
            setCell(col, r - count, cell(col, r));
            setCell(col, r, QString());
        }
    }
    DataListN = std::max(DataListN - count, 0);
    if (DataListN == 0) {
        setCell(0, 1, QString());
        setCell(1, 1, QString());
    }
    SG1->setRowCount(std::max(DataListN, 1));
    const int column = std::max(SG1->currentColumn(), 0);
    SG1->setCurrentCell(std::min(top, SG1->rowCount()) - 1, column);
}

// Checks and the run.

void TForm1::setBusy(bool busy)
{
    m_busy = busy;
    m_central->setEnabled(!busy);
    m_progress->setVisible(busy);
    if (busy)
        m_progress->setRange(0, std::max(DataListN, 1));
}

void TForm1::showCheckWindow()
{
    if (!m_checkWindow)
        return;
    m_checkWindow->show();
    m_checkWindow->raise();
    m_checkWindow->clearLines();
}

bool TForm1::DataCheck()
{
    if (!m_conv || !m_checkWindow)
        return false;
    CheckOutcome outcome;
    {
        BusyScope busy([this](bool b) { setBusy(b); });
        showCheckWindow();
        const std::vector<SourceRow> rows = sourceRows();
        WindowHost host(*m_checkWindow, *ListBox1, *m_progress, *m_escape);
        outcome = pravelot::DataCheck(rows, *m_conv, host);
    }
    if (!outcome.error && !outcome.warning)
        m_checkWindow->hide();
    setStatus(qs(checkStatusText(outcome, DataListN)));
    statusBar()->repaint();
    return outcome.runMayStart();
}

void TForm1::RunProc()
{
    if (DataListN == 0 || !m_conv)
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
        const std::u16string folder = AddPathDelim(us(EditFl1->text()));
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
            m_dialogs.askFolder(this, kPickerCaption, m_browse2Start);
        if (!chosen)
            return;
        m_browse2Start = *chosen;
        dest = AddPathDelim(us(*chosen));
        LabelPreFolder->setText(qs(*dest));
        break;
    }
    }

    saveSettings();
    ListBox1->clear();
    RunSummary summary;
    {
        BusyScope busy([this](bool b) { setBusy(b); });
        const std::vector<SourceRow> rows = sourceRows();
        WindowHost host(*m_checkWindow, *ListBox1, *m_progress, *m_escape);
        summary = runFiles(rows, dest, *m_conv, host);
        m_preview->setOutputs(summary.outputs);
    }
    PageControl1->setCurrentIndex(1);
    ListBox1->scrollToBottom();
    const QString counts =
        summary.interrupted
            ? QStringLiteral("変換を中断しました(ESC)：変換完了 %1件、変換失敗 %2件")
            : QStringLiteral("変換終了：変換完了 %1件、変換失敗 %2件");
    setStatus(counts.arg(summary.converted).arg(summary.failed));
}

void TForm1::Button3Click()
{
    if (DataListN == 0 || !m_conv || !m_checkWindow)
        return;
    showCheckWindow();
    const std::vector<SourceRow> rows = sourceRows();
    WindowHost host(*m_checkWindow, *ListBox1, *m_progress, *m_escape);
    const auto [top, bottom] = selectedRows();
    for (int r = top; r <= std::min(bottom, DataListN); ++r) {
        const QString file = cell(0, r);
        if (!isBlankCell(us(file)))
            pravelot::Data1Check(us(file), rows, *m_conv, host);
    }
}

void TForm1::Button4Click()
{
    if (!m_conv || !m_checkWindow)
        return;
    Dialogs::OpenFiles request;
    request.folder = m_lookupStart;
    request.filters = figureFileFilters();
    request.filterIndex = m_lookupFidx;
    const std::optional<Dialogs::ChosenFiles> chosen = m_dialogs.openFiles(this, request);
    if (!chosen)
        return;
    m_lookupFolder = qs(folderOf(us(chosen->files.front())));
    m_lookupStart = m_lookupFolder;
    m_lookupFidx = chosen->filterIndex;
    showCheckWindow();
    const std::vector<SourceRow> rows = sourceRows();
    WindowHost host(*m_checkWindow, *ListBox1, *m_progress, *m_escape);
    for (const QString &f : chosen->files)
        pravelot::Data1Check(us(f), rows, *m_conv, host);
}

void TForm1::Button5Click()
{
    if (DataListN == 0) {
        setStatus(QStringLiteral("変換するファイルを指定して下さい"));
        Button1->setFocus();
        return;
    }
    if (!m_dialogs.confirm(this, QStringLiteral("変換を開始します。よろしいですか？")))
        return;
    if (DataCheck() && !m_closeAsked)
        RunProc();
    if (m_closeAsked)
        close();
}

} // namespace pravelot
