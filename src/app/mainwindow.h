// The main window: destination options, the source list, the checks and the
// conversion run, and the settings file that carries the user's choices between starts.
#pragma once

#include "app/appfolders.h"
#include "app/dialogs.h"
#include "convert/runhost.h"
#include "convert/settingsfile.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabWidget;
class QToolButton;
class QUndoStack;

namespace pravelot {

class ClickLabel;
class Converter;
class EscapeWatcher;
class PathLabel;
class PreviewWindow;
class SourceListModel;
class SourceListView;
class StatusLabel;
class ThumbnailView;
class CheckWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Fixes the folders, reads the settings file, applies the visual style and places
    // the window. arguments are the files to list when the window is first shown.
    MainWindow(AppFolders folders, Dialogs &dialogs, QStringList arguments,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    // The data-check window, created after this one; it is placed when this window is
    // first shown. Not owned.
    void setCheckWindow(CheckWindow *checkWindow);

    // Lists fn when it names an existing regular file ending in .jws or .jwk (any
    // letter case) that is not listed yet, proposing its name without the extension as
    // block name. Anything else is ignored without a message.
    void addSource(const QString &fn);
    // Lists the figure files among paths and every figure file below the folders among
    // them (a long walk shows its progress and stops with Escape), each once; the
    // status bar says how many were added and how many files were passed over.
    void addSources(const QStringList &paths);

    // The number of listed files.
    int sourceCount() const;
    // The list the check and the run read.
    const SourceListModel &sourceModel() const { return *m_model; }
    QString statusText() const;
    const AppFolders &folders() const { return m_folders; }

signals:
    // The window was closed and its settings saved: the program ends.
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The controls, section by section.
    void buildWidgets();
    QGroupBox *buildDestinationGroup();
    QWidget *buildDropHint();
    QTabWidget *buildPages();
    void buildSettingsPage();
    void buildSourceList();
    // Shows the list as pictures, or as the table.
    void showThumbnails(bool on);
    void connectPageButtons();
    void buildLogPage();
    void buildStatusBar();
    void startUp();
    void firstShow();
    void shutDown();
    void createConverter();
    void freeConverter();
    void applySettings(const SettingsFile &s);
    SettingsFile currentSettings() const;
    void saveSettings();

    void destinationChanged();
    void browseFixedFolder();
    void styleChosen(int index);
    void addFiles();
    void addFolder();
    void removeRows();
    void listSelectedRows();
    void lookUpBlockNames();
    void startConversion();
    void closeWindow();

    // The check before a run: true when the run may start.
    bool checkSources();
    void runConversion();

    int destination() const;
    void setDestination(int option);
    void setStatus(const QString &text);
    // The list was changed: the status bar no longer counts what it holds now.
    void listChanged();
    // Shortcuts that reach the buttons' Alt keys from the log page.
    void pageShortcuts(const QList<QPushButton *> &buttons);
    void setBusy(bool busy);
    // The main window takes the keyboard again after a check, run or folder walk.
    void takeKeyboardBack();
    // Removes the rows that the last check found errors in.
    void removeErrorRows();
    // The selected rows (0-based, top to bottom); the current row when none is selected.
    std::vector<int> selectedRows() const;
    // Rows were removed from the list or came back: row becomes the current row.
    void rowsChanged(const QList<QString> &files, bool removed, int row);
    void showCheckWindow();
    // Shows the figure of a 0-based grid row in the preview; opens it when asked to.
    void previewRow(int row, bool open);

    AppFolders m_folders;
    Dialogs &m_dialogs;
    QStringList m_arguments;
    CheckWindow *m_checkWindow = nullptr;
    EscapeWatcher *m_escape = nullptr;
    std::unique_ptr<Converter> m_conv;
    SettingsFile m_settings;
    bool m_shown = false;
    bool m_closed = false;
    bool m_busy = false;
    // The window was closed during a check or run: it closes when that has stopped.
    bool m_closeAsked = false;
    // The data-check window has no place of its own yet: it is put beside this window
    // when first shown.
    bool m_placeCheckWindow = false;

    QString m_styleName;
    int m_addFilter = 1;
    // The folder of the first file last chosen in the add dialog, with trailing separator.
    QString m_sourceFolder;
    // The folder last chosen with フォルダ追加….
    QString m_folderStart;
    // Folders the program made (the work folder and its parents), removed at close when
    // they are empty.
    QStringList m_madeFolders;
    // Where the keyboard was when a check, run or folder walk started.
    QPointer<QWidget> m_focusBefore;
    QString m_fixedPickerStart;
    QString m_askPickerStart;
    // The block-name look-up dialog: where it opens, its filter, and the folder of the
    // first file chosen in it since the program started (empty until then).
    QString m_lookupStart;
    int m_lookupFidx = 1;
    QString m_lookupFolder;

    QWidget *m_central = nullptr;
    std::array<QRadioButton *, 5> m_destinationButtons{};
    QRadioButton *m_toDesktop = nullptr;
    QRadioButton *m_toDocuments = nullptr;
    QRadioButton *m_besideSources = nullptr;
    QRadioButton *m_toFixedFolder = nullptr;
    QRadioButton *m_askEachRun = nullptr;
    QLineEdit *m_fixedFolder = nullptr;
    QPushButton *m_browseButton = nullptr;
    PathLabel *m_askedFolder = nullptr;
    ClickLabel *m_addLink = nullptr;
    QTabWidget *m_pages = nullptr;
    QWidget *m_settingsPage = nullptr;
    QWidget *m_logPage = nullptr;
    QComboBox *m_styleBox = nullptr;
    SourceListModel *m_model = nullptr;
    QStackedWidget *m_listStack = nullptr;
    SourceListView *m_sourceList = nullptr;
    ThumbnailView *m_thumbnails = nullptr;
    QToolButton *m_thumbnailButton = nullptr;
    QUndoStack *m_undo = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_addFolderButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QPushButton *m_checkButton = nullptr;
    QPushButton *m_lookupButton = nullptr;
    QPushButton *m_convertButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QListWidget *m_log = nullptr;
    StatusLabel *m_statusText = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_stopButton = nullptr;
    PreviewWindow *m_preview = nullptr;
};

} // namespace pravelot
