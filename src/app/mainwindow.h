// The main window: destination options, the source list, the checks and the
// conversion run, and the settings file that carries the user's choices between starts.
#pragma once

#include "app/appfolders.h"
#include "app/dialogs.h"
#include "convert/runhost.h"
#include "convert/settingsfile.h"

#include <QMainWindow>
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
class QTabWidget;
class QTableWidget;

namespace pravelot {

class ClickLabel;
class Converter;
class EscapeWatcher;
class PreviewWindow;
class TForm2;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Fixes the folders, reads the settings file, applies the visual style and places
    // the window. arguments are the files to list when the window is first shown.
    TForm1(AppFolders folders, Dialogs &dialogs, QStringList arguments, QWidget *parent = nullptr);
    ~TForm1() override;

    // The data-check window, created after this one; it is placed when this window is
    // first shown. Not owned.
    void setCheckWindow(TForm2 *checkWindow);

    // Lists fn when it names an existing regular file ending in .jws or .jwk (any
    // letter case), proposing its name without the extension as block name. Anything
    // else is ignored without a message.
    void PickupFile(const QString &fn);

    int dataListN() const { return DataListN; }
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
    void buildSourceGrid();
    void connectPageButtons();
    void buildLogPage();
    void buildStatusBar();
    void FormCreate();
    void FormShow();
    void FormClose();
    void CreateDataObjects();
    void FreeDataObjects();
    void applySettings(const SettingsFile &s);
    SettingsFile currentSettings() const;
    void saveSettings();

    void RadioButtonFl1Click();
    void ButtonFl1Click();
    void ComboBoxSc1Select(int index);
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();

    // Part of the run: true when it may start.
    bool DataCheck();
    void RunProc();

    int destination() const;
    void setDestination(int option);
    void setStatus(const QString &text);
    // The list was changed: the status bar no longer counts what it holds now.
    void listChanged();
    // Shortcuts that reach the buttons' Alt keys from the log page.
    void pageShortcuts(const QList<QPushButton *> &buttons);
    void setBusy(bool busy);
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString &text);
    // First and last selected rows, 1-based.
    std::pair<int, int> selectedRows() const;
    std::vector<SourceRow> sourceRows() const;
    void showCheckWindow();
    // Shows the figure of a 0-based grid row in the preview; opens it when asked to.
    void previewRow(int row, bool open);

    AppFolders m_folders;
    Dialogs &m_dialogs;
    QStringList m_arguments;
    TForm2 *m_checkWindow = nullptr;
    EscapeWatcher *m_escape = nullptr;
    std::unique_ptr<Converter> m_conv;
    SettingsFile m_settings;
    bool m_shown = false;
    bool m_closed = false;
    bool m_busy = false;
    // The window was closed during a check or run: it closes when that has stopped.
    bool m_closeAsked = false;

    QString gstyle;
    int Fidx = 1;
    int DataListN = 0;
    QString m_browse1Start;
    QString m_browse2Start;
    // The block-name look-up dialog: where it opens, its filter, and the folder of the
    // first file chosen in it since the program started (empty until then).
    QString m_lookupStart;
    int m_lookupFidx = 1;
    QString m_lookupFolder;

    QWidget *m_central = nullptr;
    std::array<QRadioButton *, 5> m_destinationButtons{};
    QRadioButton *RadioButtonFl1 = nullptr;
    QRadioButton *RadioButtonFl2 = nullptr;
    QRadioButton *RadioButtonFl3 = nullptr;
    QRadioButton *RadioButtonFl4 = nullptr;
    QRadioButton *RadioButtonFl5 = nullptr;
    QLineEdit *EditFl1 = nullptr;
    QPushButton *ButtonFl1 = nullptr;
    QLabel *LabelPreFolder = nullptr;
    QLabel *Label1 = nullptr;
    ClickLabel *Label3 = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheet1 = nullptr;
    QWidget *TabSheet2 = nullptr;
    QComboBox *ComboBoxSc1 = nullptr;
    QTableWidget *SG1 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *Button4 = nullptr;
    QPushButton *Button5 = nullptr;
    QPushButton *Button6 = nullptr;
    QListWidget *ListBox1 = nullptr;
    QLabel *m_statusText = nullptr;
    QProgressBar *m_progress = nullptr;
    PreviewWindow *m_preview = nullptr;
};

} // namespace pravelot
