// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the main window form on its own: a bare QMainWindow is built by
// Ui::MainWindow::setupUi and compared against the expected widget tree, texts,
// initial states and slot bindings. No MainWindow logic is involved, so a
// failure here points at the .ui file.

#include "ui_mainwindow.h"

#include <QApplication>
#include <QFont>
#include <QSet>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << "[";
    for (qsizetype i = 0; i < list.size(); ++i)
        *os << (i ? ", " : "") << '"' << list.at(i).toStdString() << '"';
    *os << "]";
}

namespace {

// One QApplication for the whole test program: the one the test main made, or
// else one created here and never destroyed, so that no widget outlives it.
// Falls back to the offscreen platform when run by hand.
void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "test_form";
    static char *argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
}

struct ApplicationScope
{
    ApplicationScope() { ensureApplication(); }
};

// "menu[entry,submenu[...],...]" in menu order.
QString menuTree(QMenu *menu)
{
    QStringList entries;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator())
            entries << QStringLiteral("-");
        else if (QMenu *sub = action->menu())
            entries << menuTree(sub);
        else
            entries << action->objectName();
    }
    return menu->objectName() + "[" + entries.join(',') + "]";
}

class FormTest : public ::testing::Test
{
protected:
    FormTest() { ui.setupUi(&window); }

    // The one object of that name below the window, or null (with a failure)
    // when there is none or more than one.
    template <class T = QObject> T *find(const char *name)
    {
        const QList<QObject *> all = window.findChildren<QObject *>(QString::fromLatin1(name));
        if (all.size() != 1) {
            ADD_FAILURE() << all.size() << " objects named " << name;
            return nullptr;
        }
        T *object = qobject_cast<T *>(all.first());
        if (!object)
            ADD_FAILURE() << name << " is a " << all.first()->metaObject()->className();
        return object;
    }

    ApplicationScope scope;
    QMainWindow window;
    Ui::MainWindow ui;
};

TEST_F(FormTest, WindowAndCentralWidget)
{
    EXPECT_EQ(window.objectName(), "MainWindow");
    EXPECT_EQ(window.size(), QSize(1200, 613));
    EXPECT_EQ(window.windowTitle(), "ORVIK-IMU");
    ASSERT_NE(window.centralWidget(), nullptr);
    EXPECT_EQ(window.centralWidget()->objectName(), "centralWidget");
    ASSERT_NE(window.menuBar(), nullptr);
    EXPECT_EQ(window.menuBar()->objectName(), "menuBar");

    // Only the family is set on the central widget; the size stays inherited.
    const QFont font = window.centralWidget()->font();
    EXPECT_EQ(font.family(), "Microsoft Tai Le");
    EXPECT_TRUE(font.resolveMask() & QFont::FamiliesResolved);
    EXPECT_FALSE(font.resolveMask() & QFont::SizeResolved);
    EXPECT_EQ(window.findChild<QLineEdit *>("lineEdit_SN")->font().family(), "Microsoft Tai Le");
}

// Object names are what connectSlotsByName and the rest of the application
// bind to, so every one of them is checked together with its exact class.
TEST_F(FormTest, ObjectNamesAndClasses)
{
    struct Row
    {
        const char *name;
        const char *className;
    };
    const std::vector<Row> rows = {
        {"centralWidget", "QWidget"},
        {"splitter", "QSplitter"},
        {"groupBoxLog", "QGroupBox"},
        {"splitterReceivedData", "QSplitter"},
        {"layoutWidget", "QWidget"},
        {"textBrowserLogs", "CodeEditor"},
        {"scrollAreaTextLogOptions", "QScrollArea"},
        {"scrollAreaWidgetContents_2", "QWidget"},
        {"checkBoxShowTime", "QCheckBox"},
        {"pushButtonSerialLogScrollown", "QPushButton"},
        {"pushButtonClear", "QPushButton"},
        {"checkBox_display", "QCheckBox"},
        {"comboBoxMessagesDisplayMode", "QComboBox"},
        {"spinBoxMaxLines", "QSpinBox"},
        {"verticalLayoutWidget_2", "QWidget"},
        {"splitterGraphTable", "QSplitter"},
        {"stackedWidgetGraphView", "QStackedWidget"},
        {"page", "QWidget"},
        {"widgetChart", "QCustomPlot"},
        {"pushButtonEnablePlot", "QPushButton"},
        {"checkBoxShowLegend", "QCheckBox"},
        {"checkBoxEnableTracer", "QCheckBox"},
        {"comboBoxTracerStyle", "QComboBox"},
        {"label_7", "QLabel"},
        {"comboBoxShowType", "QComboBox"},
        {"spinBoxScrollingTimeRange", "QSpinBox"},
        {"label_10", "QLabel"},
        {"comboBoxGraphDisplayMode", "QComboBox"},
        {"label_4", "QLabel"},
        {"lineEdit_angle_x", "QLineEdit"},
        {"label_5", "QLabel"},
        {"lineEdit_angle_y", "QLineEdit"},
        {"label_6", "QLabel"},
        {"lineEdit_angle_z", "QLineEdit"},
        {"pushButtonStartPlot", "QPushButton"},
        {"pushButtonClearGraphs", "QPushButton"},
        {"groupBoxSettings", "QGroupBox"},
        {"tabWidgetControlSection", "QTabWidget"},
        {"tabSerial", "QWidget"},
        {"pushButtonSerialConnect", "QPushButton"},
        {"label_2", "QLabel"},
        {"comboBoxDataRate", "QComboBox"},
        {"radioButtonDeviceUpdate", "QRadioButton"},
        {"pushButtonStartRecv", "QPushButton"},
        {"lineEdit_version", "QLineEdit"},
        {"pushButton_version", "QPushButton"},
        {"lineEdit_SN", "QLineEdit"},
        {"pushButton_getSN", "QPushButton"},
        {"pushButton_setSN", "QPushButton"},
        {"pushButtonUpgrade", "QPushButton"},
        {"pushButton_jumpToDfu", "QPushButton"},
        {"pushButton_leaveDfu", "QPushButton"},
        {"pushButton_packfile", "QPushButton"},
        {"tabCalibration", "QWidget"},
        {"pushButtonGetCalibrationData", "QPushButton"},
        {"plainTextEdit_calibration", "QPlainTextEdit"},
        {"pushButtonClearCalib", "QPushButton"},
        {"pushButtonEnterCalibMode", "QPushButton"},
        {"pushButtonExitCalibMode", "QPushButton"},
        {"pushButtonStartGyrBiasCalib", "QPushButton"},
        {"pushButtonStopGyrBiasCalib", "QPushButton"},
        {"pushButtonRecordQuaternionOffset", "QPushButton"},
        {"pushButtonResetQuaternionOffset", "QPushButton"},
        {"menuBar", "QMenuBar"},
        {"menuFile", "QMenu"},
        {"menuSave", "QMenu"},
        {"menuSave_Graph_As", "QMenu"},
        {"menuExport", "QMenu"},
        {"menuParser_data", "QMenu"},
        {"menuPrint", "QMenu"},
        {"menuView", "QMenu"},
        {"menuFull_text_view", "QMenu"},
        {"menuChange_visualisation", "QMenu"},
        {"menuHelp", "QMenu"},
        {"gridLayout_3", "QGridLayout"},
        {"gridLayout_13", "QGridLayout"},
        {"verticalLayout_2", "QVBoxLayout"},
        {"gridLayout", "QGridLayout"},
        {"gridLayout_17", "QGridLayout"},
        {"verticalLayout_12", "QVBoxLayout"},
        {"gridLayout_12", "QGridLayout"},
        {"horizontalLayout_3", "QHBoxLayout"},
        {"gridLayout_18", "QGridLayout"},
        {"gridLayout_19", "QGridLayout"},
        {"gridLayout_7", "QGridLayout"},
        {"horizontalLayout_6", "QHBoxLayout"},
        {"gridLayout_2", "QGridLayout"},
        {"gridLayout_6", "QGridLayout"},
        {"gridLayout_4", "QGridLayout"},
        {"gridLayout_5", "QGridLayout"},
        {"horizontalLayout_2", "QHBoxLayout"},
        {"verticalLayout_7", "QVBoxLayout"},
        {"horizontalLayout", "QHBoxLayout"},
        {"verticalLayout_3", "QVBoxLayout"},
        {"horizontalLayout_5", "QHBoxLayout"},
        {"horizontalLayout_7", "QHBoxLayout"},
        {"horizontalLayout_4", "QHBoxLayout"},
        {"verticalLayout_6", "QVBoxLayout"},
        {"verticalLayout_8", "QVBoxLayout"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        // The chart is a QCustomPlot that paints its frames more cheaply;
        // whoever looks it up by name and class still finds it.
        if (QObject *object = find(row.name)) {
            if (qstrcmp(row.name, "widgetChart") == 0)
                EXPECT_TRUE(object->inherits(row.className));
            else
                EXPECT_STREQ(object->metaObject()->className(), row.className);
        }
    }
}

TEST_F(FormTest, ButtonTextsAndStates)
{
    struct Row
    {
        const char *name;
        const char *text;
        const char *shortcut;
        bool checkable, checked, enabled;
    };
    const std::vector<Row> rows = {
        {"checkBoxShowTime", "TimeStamp", "", true, true, true},
        {"pushButtonSerialLogScrollown", "Scroll Down", "", false, false, true},
        {"pushButtonClear", "Clear", "", false, false, true},
        {"checkBox_display", "DisPlay:", "", true, true, true},
        {"pushButtonEnablePlot", "Disable", "Ctrl+P", true, false, true},
        {"checkBoxShowLegend", "Legend", "", true, true, true},
        {"checkBoxEnableTracer", "Tracer:", "Ctrl+T", true, false, true},
        {"pushButtonStartPlot", "Start Plot", "", true, false, true},
        {"pushButtonClearGraphs", "Clear plot", "", false, false, true},
        {"pushButtonSerialConnect", "Connect", "Alt+N", true, false, true},
        {"radioButtonDeviceUpdate", "", "", true, false, false},
        {"pushButtonStartRecv", "Start Recv", "", true, false, true},
        {"pushButton_version", "Version", "", false, false, true},
        {"pushButton_getSN", "Get SN", "", false, false, true},
        {"pushButton_setSN", "Set SN", "", false, false, true},
        {"pushButtonUpgrade", "Upgrade", "", true, false, true},
        {"pushButton_jumpToDfu", "Jump to DFU", "", false, false, true},
        {"pushButton_leaveDfu", "Leave DFU", "", false, false, true},
        {"pushButton_packfile", "Pack .dfu File", "", false, false, true},
        {"pushButtonGetCalibrationData", "Get Data", "", false, false, true},
        {"pushButtonClearCalib", "Clear Calib Data", "", false, false, true},
        {"pushButtonEnterCalibMode", "Enter Calib Mode", "", false, false, true},
        {"pushButtonExitCalibMode", "Exit Calib Mode", "", true, false, true},
        {"pushButtonStartGyrBiasCalib", "GyrBias Calib", "", false, false, true},
        {"pushButtonStopGyrBiasCalib", "Stop GyrBias Calib", "", false, false, true},
        {"pushButtonRecordQuaternionOffset", "Record Quat Offset", "", false, false, true},
        {"pushButtonResetQuaternionOffset", "Reset Quat Offset", "", false, false, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        auto *button = find<QAbstractButton>(row.name);
        if (!button)
            continue;
        EXPECT_EQ(button->text(), row.text);
        EXPECT_EQ(button->shortcut(), QKeySequence(QString::fromLatin1(row.shortcut)));
        EXPECT_EQ(button->isCheckable(), row.checkable);
        EXPECT_EQ(button->isChecked(), row.checked);
        EXPECT_EQ(button->isEnabled(), row.enabled);
    }
    // Every button of the form is in the table above (the tool buttons belong
    // to the tab bar and the menu bar themselves).
    QStringList formButtons, tableButtons;
    for (QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
        if (!qobject_cast<QToolButton *>(button))
            formButtons << button->objectName();
    }
    for (const Row &row : rows)
        tableButtons << QString::fromLatin1(row.name);
    formButtons.sort();
    tableButtons.sort();
    EXPECT_EQ(formButtons, tableButtons);

    EXPECT_EQ(ui.checkBoxShowTime->layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(ui.pushButtonEnablePlot->iconSize(), QSize(15, 15));
    EXPECT_TRUE(ui.radioButtonDeviceUpdate->autoExclusive());
    EXPECT_FALSE(ui.radioButtonDeviceUpdate->autoFillBackground());
    EXPECT_FALSE(ui.pushButtonUpgrade->autoExclusive());
}

TEST_F(FormTest, ComboBoxes)
{
    struct Row
    {
        const char *name;
        QStringList items;
        int currentIndex;
        bool editable;
    };
    const std::vector<Row> rows = {
        {"comboBoxMessagesDisplayMode",
         {"Angle", "Gyr", "Acc", "Mag", "FreeAcc", "Quaternion", "Temperature"},
         0,
         false},
        {"comboBoxShowType", {"all", "x", "y", "z"}, 0, false},
        {"comboBoxTracerStyle", {"Crosshair", "Circle"}, 0, false},
        {"comboBoxGraphDisplayMode", {"Angle", "Gyr", "Acc", "Mag", "FreeAcc"}, 0, false},
        {"comboBoxDataRate", {"200", "100", "50", "10", "5", "1"}, 1, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        auto *combo = find<QComboBox>(row.name);
        if (!combo)
            continue;
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) {
            items << combo->itemText(i);
            EXPECT_TRUE(combo->itemIcon(i).isNull());
            EXPECT_FALSE(combo->itemData(i, Qt::UserRole).isValid());
        }
        EXPECT_EQ(items, row.items);
        EXPECT_EQ(combo->currentIndex(), row.currentIndex);
        EXPECT_EQ(combo->isEditable(), row.editable);
        EXPECT_TRUE(combo->isEnabled());
    }
    EXPECT_EQ(ui.comboBoxDataRate->currentText(), "100");
    EXPECT_EQ(ui.comboBoxDataRate->insertPolicy(), QComboBox::NoInsert);
    EXPECT_EQ(ui.comboBoxMessagesDisplayMode->sizeAdjustPolicy(),
              QComboBox::AdjustToContentsOnFirstShow);
}

// Typed rates never become items: an unknown rate leaves the list alone, a
// known one selects the existing entry.
TEST_F(FormTest, TypingIntoDataRateAddsNoItem)
{
    window.show();
    QComboBox *combo = ui.comboBoxDataRate;
    QLineEdit *edit = combo->lineEdit();
    ASSERT_NE(edit, nullptr);
    const QStringList before = [combo] {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }();

    struct Row
    {
        const char *typed;
        int indexAfter;
    };
    const std::vector<Row> rows = {{"123", 1}, {"7", 1}, {"50", 2}, {"abc", 2}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.typed);
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(row.typed));
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(combo->count(), 6);
        EXPECT_EQ(combo->currentIndex(), row.indexAfter);
        for (int i = 0; i < combo->count(); ++i)
            EXPECT_EQ(combo->itemText(i), before.at(i));
    }
}

TEST_F(FormTest, SpinBoxes)
{
    struct Row
    {
        const char *name;
        const char *prefix, *suffix;
        int minimum, maximum, step, value;
        bool enabled;
        const char *shown;
    };
    const std::vector<Row> rows = {
        {"spinBoxMaxLines", "Max ", " lines", 100, 10000000, 1000, 1000, true, "Max 1000 lines"},
        {"spinBoxScrollingTimeRange", "View last ", " [s]", 1, 3600, 1, 5, false,
         "View last 5 [s]"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        auto *spin = find<QSpinBox>(row.name);
        if (!spin)
            continue;
        EXPECT_EQ(spin->prefix(), row.prefix);
        EXPECT_EQ(spin->suffix(), row.suffix);
        EXPECT_EQ(spin->minimum(), row.minimum);
        EXPECT_EQ(spin->maximum(), row.maximum);
        EXPECT_EQ(spin->singleStep(), row.step);
        EXPECT_EQ(spin->value(), row.value);
        EXPECT_EQ(spin->isEnabled(), row.enabled);
        EXPECT_EQ(spin->text(), row.shown);
        EXPECT_EQ(spin->alignment(), Qt::AlignCenter);
        EXPECT_EQ(spin->stepType(), QAbstractSpinBox::DefaultStepType);
    }

    // The line limit steps by a thousand and is clamped to its range.
    QSpinBox *lines = ui.spinBoxMaxLines;
    lines->stepBy(1);
    EXPECT_EQ(lines->value(), 2000);
    lines->setValue(5);
    EXPECT_EQ(lines->value(), 100);
    lines->setValue(20000000);
    EXPECT_EQ(lines->value(), 10000000);
}

TEST_F(FormTest, LabelsLineEditsAndTextViews)
{
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    struct LabelRow
    {
        const char *name;
        const char *text;
        Qt::Alignment alignment;
        Qt::LayoutDirection direction;
    };
    const std::vector<LabelRow> labels = {
        {"label_10", "Plotter:", Qt::AlignCenter, Qt::LeftToRight},
        {"label_7", "Show:", Qt::AlignLeft | Qt::AlignVCenter, Qt::LeftToRight},
        {"label_4", "AngleX:", right, Qt::RightToLeft},
        {"label_5", "AngleY:", right, Qt::LeftToRight},
        {"label_6", "AngleZ:", right, Qt::LeftToRight},
        {"label_2", "DataRate:", right, Qt::LeftToRight},
    };
    for (const LabelRow &row : labels) {
        SCOPED_TRACE(row.name);
        auto *label = find<QLabel>(row.name);
        if (!label)
            continue;
        EXPECT_EQ(label->text(), row.text);
        EXPECT_EQ(label->alignment(), row.alignment);
        EXPECT_EQ(label->layoutDirection(), row.direction);
    }

    struct EditRow
    {
        const char *name;
        bool readOnly, frame;
        int pointSize; // -1: inherited
    };
    const std::vector<EditRow> edits = {
        {"lineEdit_angle_x", true, false, 10}, {"lineEdit_angle_y", true, false, 10},
        {"lineEdit_angle_z", true, false, 10}, {"lineEdit_version", true, true, -1},
        {"lineEdit_SN", false, true, -1},
    };
    for (const EditRow &row : edits) {
        SCOPED_TRACE(row.name);
        auto *edit = find<QLineEdit>(row.name);
        if (!edit)
            continue;
        EXPECT_TRUE(edit->text().isEmpty());
        EXPECT_EQ(edit->isReadOnly(), row.readOnly);
        EXPECT_EQ(edit->hasFrame(), row.frame);
        EXPECT_EQ(edit->font().family(), "Microsoft Tai Le");
        if (row.pointSize > 0) {
            EXPECT_EQ(edit->font().pointSize(), row.pointSize);
            EXPECT_TRUE(edit->font().resolveMask() & QFont::SizeResolved);
        }
    }

    QPlainTextEdit *log = ui.textBrowserLogs;
    EXPECT_TRUE(log->isEnabled());
    EXPECT_TRUE(log->isReadOnly());
    EXPECT_TRUE(log->toPlainText().isEmpty());
    EXPECT_EQ(log->textInteractionFlags(),
              Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard |
                  Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    EXPECT_TRUE(ui.plainTextEdit_calibration->isReadOnly());
    EXPECT_TRUE(ui.plainTextEdit_calibration->toPlainText().isEmpty());
}

TEST_F(FormTest, ToolTipsAndWhatsThis)
{
    struct Row
    {
        const char *name;
        const char *toolTip;
        const char *whatsThis;
    };
    const std::vector<Row> rows = {
        {"pushButtonClear", "", "<html><head/><body><p>Clear text window</p></body></html>"},
        {"pushButtonSerialConnect", "",
         "<html><head/><body><p>Enable/disable serial communication</p></body></html>"},
        {"pushButtonStartRecv", "",
         "<html><head/><body><p>Refresh availible COM ports list</p></body></html>"},
        {"comboBoxGraphDisplayMode", "",
         "<html><head/><body><p>Chose which labels will be plotted on the graph.</p><p>- Auto - "
         "all labels as they go,</p><p>- Custom - labels defined by the user.</p></body></html>"},
        {"comboBoxDataRate",
         "<html><head/><body><p>This list contains baud rates supported by current "
         "hardware.</p></body></html>",
         ""},
        {"textBrowserLogs", "",
         "<html><head/><body><p>This is the main text browser. Received messages and "
         "notification will be displayed here.</p></body></html>"},
        {"tabCalibration", "",
         "<html><head/><body><p>Parser Memory - stores parsed data in RAM, which can be loaded "
         "back if needed. By default, app uses it each time user changes the plot rules to "
         "prevent data loss i.e. if a a varaible is removed form plot, its recorded data can be "
         "brought back form memory without losing all the measurnments.</p></body></html>"},
    };
    QSet<QString> listed = {"widgetChart"};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        listed.insert(QString::fromLatin1(row.name));
        auto *widget = find<QWidget>(row.name);
        if (!widget)
            continue;
        EXPECT_EQ(widget->toolTip(), row.toolTip);
        EXPECT_EQ(widget->whatsThis(), row.whatsThis);
    }
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        if (listed.contains(widget->objectName()))
            continue;
        SCOPED_TRACE(widget->objectName().toStdString());
        EXPECT_TRUE(widget->toolTip().isEmpty());
        EXPECT_TRUE(widget->whatsThis().isEmpty());
    }
}

TEST_F(FormTest, Actions)
{
    struct Row
    {
        const char *name;
        const char *text;
        const char *shortcut;
        bool enabled;
        const char *menu; // the one menu holding it, or null
    };
    const std::vector<Row> rows = {
        {"actionSave_As", "Save Log As...", "Ctrl+S", true, "menuSave"},
        {"actionQuit", "Quit", "Ctrl+Q", true, "menuFile"},
        {"actionKeyboard_shortucts", "Keyboard shortucts", "Ctrl+H", false, nullptr},
        {"actionFull_chart", "Full Chart", "Ctrl+3", true, "menuFull_text_view"},
        {"action50_50_view", "50/50", "Ctrl+2", true, "menuFull_text_view"},
        {"actionWhat_s_new", "Changelog", "", false, nullptr},
        {"actionAbout_Qt", "About Qt", "", true, nullptr},
        {"actionFull_text_view", "Full Text", "Ctrl+1", true, "menuFull_text_view"},
        {"actionPlotter", "Plotter", "Ctrl+8", true, "menuChange_visualisation"},
        {"action3D_orientation", "3D Orientation", "Ctrl+9", true, "menuChange_visualisation"},
        {"actionPrint_Graph", "Print Graph...", "", true, "menuPrint"},
        {"actionPrint_log", "Print Log...", "", true, "menuPrint"},
        {"actionWhats_this", "\"What's this ?\" Mode", "F1", true, nullptr},
        {"actionInfo", "Application Info", "", true, nullptr},
        {"actionShow_parser_data", "Show parser data", "Ctrl+4", true, "menuFull_text_view"},
        {"actionHide_parser_data", "Hide parser data", "Ctrl+5", true, "menuFull_text_view"},
        {"actionFull_parser_data", "Full parser data", "Ctrl+6", true, "menuFull_text_view"},
        {"actionImage", "Image...", "", true, "menuSave_Graph_As"},
        {"actionto_csv", "to .csv...", "", true, "menuParser_data"},
        {"actionUpgrade", "Upgrade", "", true, "menuHelp"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        auto *action = find<QAction>(row.name);
        if (!action)
            continue;
        EXPECT_EQ(action->parent(), &window);
        EXPECT_EQ(action->text(), row.text);
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(row.shortcut)));
        EXPECT_EQ(action->isEnabled(), row.enabled);
        EXPECT_FALSE(action->isCheckable());
        QStringList holders;
        for (QObject *holder : action->associatedObjects())
            holders << holder->objectName();
        EXPECT_EQ(holders, row.menu ? QStringList{row.menu} : QStringList{});
    }
    // Only menu actions and submenus exist besides the listed ones.
    qsizetype plainActions = 0;
    for (QAction *action : window.findChildren<QAction *>())
        plainActions += action->menu() ? 0 : 1;
    EXPECT_EQ(plainActions, qsizetype(rows.size()));

    EXPECT_EQ(ui.actionSave_As->iconText(), "Save As");
    EXPECT_EQ(ui.actionUpgrade->menuRole(), QAction::NoRole);
}

TEST_F(FormTest, MenuStructure)
{
    QStringList bar;
    for (QAction *action : window.menuBar()->actions()) {
        ASSERT_NE(action->menu(), nullptr);
        bar << menuTree(action->menu());
    }
    const QStringList expected = {
        "menuFile[menuSave[actionSave_As,menuSave_Graph_As[actionImage]],"
        "menuExport[menuParser_data[actionto_csv]],"
        "menuPrint[actionPrint_log,actionPrint_Graph],actionQuit]",
        "menuView[menuFull_text_view[actionFull_text_view,action50_50_view,actionFull_chart,"
        "actionShow_parser_data,actionHide_parser_data,actionFull_parser_data],"
        "menuChange_visualisation[actionPlotter,action3D_orientation]]",
        "menuHelp[actionUpgrade]",
    };
    EXPECT_EQ(bar, expected);

    struct Row
    {
        const char *name;
        const char *title;
    };
    const std::vector<Row> titles = {
        {"menuFile", "File"},
        {"menuSave", "Save..."},
        {"menuSave_Graph_As", "Save Graph As..."},
        {"menuExport", "Export..."},
        {"menuParser_data", "Parser data..."},
        {"menuPrint", "Print..."},
        {"menuView", "View"},
        {"menuFull_text_view", "Split View"},
        {"menuChange_visualisation", "Visualisation"},
        {"menuHelp", "Help"},
    };
    for (const Row &row : titles) {
        SCOPED_TRACE(row.name);
        if (auto *menu = find<QMenu>(row.name)) {
            EXPECT_EQ(menu->title(), row.title);
        }
    }
}

// A key sequence used twice would make Qt report an ambiguous shortcut and
// trigger neither owner.
TEST_F(FormTest, KeySequencesAreUnique)
{
    QMap<QString, QString> owners;
    auto claim = [&owners](const QKeySequence &sequence, const QString &owner) {
        if (sequence.isEmpty())
            return;
        const QString key = sequence.toString(QKeySequence::PortableText);
        EXPECT_FALSE(owners.contains(key))
            << key.toStdString() << " used by " << owners.value(key).toStdString() << " and "
            << owner.toStdString();
        owners.insert(key, owner);
    };
    for (QAction *action : window.findChildren<QAction *>())
        claim(action->shortcut(), action->objectName());
    for (QAbstractButton *button : window.findChildren<QAbstractButton *>())
        claim(button->shortcut(), button->objectName());
    EXPECT_EQ(owners.size(), 15);
}

TEST_F(FormTest, ButtonShortcutsActOnTheirButtons)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    struct Row
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QAbstractButton *button;
    };
    const std::vector<Row> rows = {
        {Qt::Key_P, Qt::ControlModifier, ui.pushButtonEnablePlot},
        {Qt::Key_T, Qt::ControlModifier, ui.checkBoxEnableTracer},
        {Qt::Key_N, Qt::AltModifier, ui.pushButtonSerialConnect},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.button->objectName().toStdString());
        const bool before = row.button->isChecked();
        int clicks = 0;
        QObject::connect(row.button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
        QTest::keyClick(&window, row.key, row.modifiers);
        // Button shortcuts animate the click, so it lands a little later.
        EXPECT_TRUE(QTest::qWaitFor([&clicks] { return clicks > 0; }, 2000));
        EXPECT_EQ(clicks, 1);
        EXPECT_EQ(row.button->isChecked(), !before);
        QObject::disconnect(row.button, &QAbstractButton::clicked, nullptr, nullptr);
    }
}

} // namespace

// A window with every by-name slot the application relies on; each slot
// records its name and argument, so the form's object names and signal
// overloads can be checked without the real window.
class SlotProbeWindow : public QMainWindow
{
    Q_OBJECT

public:
    QStringList calls;

public slots:
    void on_pushButtonSerialConnect_clicked(bool checked) { record(__func__, checked); }
    void on_pushButtonClear_clicked() { record(__func__); }
    void on_spinBoxMaxLines_valueChanged(int arg1) { record(__func__, arg1); }
    void on_pushButtonSerialLogScrollown_clicked() { record(__func__); }
    void on_pushButtonStartPlot_clicked(bool checked) { record(__func__, checked); }
    void on_pushButtonClearGraphs_clicked() { record(__func__); }
    void on_checkBox_display_stateChanged(int arg1) { record(__func__, arg1); }
    void on_comboBoxMessagesDisplayMode_currentTextChanged(const QString &arg1)
    {
        record(__func__, arg1);
    }
    void on_comboBoxGraphDisplayMode_currentTextChanged(const QString &arg1)
    {
        record(__func__, arg1);
    }
    void on_comboBoxDataRate_currentTextChanged(const QString &arg1) { record(__func__, arg1); }
    void on_comboBoxShowType_currentIndexChanged(int index) { record(__func__, index); }
    void on_pushButtonStartGyrBiasCalib_clicked(bool checked) { record(__func__, checked); }
    void on_pushButtonClearCalib_clicked() { record(__func__); }
    void on_pushButtonUpgrade_clicked() { record(__func__); }
    void on_pushButtonStartRecv_clicked(bool checked) { record(__func__, checked); }
    void on_pushButtonGetCalibrationData_clicked() { record(__func__); }
    void on_pushButtonEnterCalibMode_clicked(bool checked) { record(__func__, checked); }
    void on_pushButtonExitCalibMode_clicked(bool checked) { record(__func__, checked); }
    void on_pushButtonStopGyrBiasCalib_clicked(bool checked) { record(__func__, checked); }
    void on_pushButtonRecordQuaternionOffset_clicked(bool checked) { record(__func__, checked); }
    void on_pushButtonResetQuaternionOffset_clicked(bool checked) { record(__func__, checked); }
    void on_pushButton_jumpToDfu_clicked() { record(__func__); }
    void on_pushButton_leaveDfu_clicked() { record(__func__); }
    void on_pushButton_getSN_clicked() { record(__func__); }
    void on_pushButton_setSN_clicked() { record(__func__); }
    void on_pushButton_version_clicked() { record(__func__); }
    void on_pushButton_packfile_clicked() { record(__func__); }

private:
    void record(const char *slot) { calls << QString::fromLatin1(slot); }
    void record(const char *slot, bool value) { record(slot, QVariant(value).toString()); }
    void record(const char *slot, int value) { record(slot, QString::number(value)); }
    void record(const char *slot, const QString &value)
    {
        calls << QStringLiteral("%1(%2)").arg(QString::fromLatin1(slot), value);
    }
};

namespace {

// Operating each widget once must run exactly its own slot, with the argument
// of the expected signal overload.
TEST(FormSlotBinding, EveryWidgetReachesItsSlotByName)
{
    ApplicationScope scope;
    SlotProbeWindow window;
    Ui::MainWindow ui;
    ui.setupUi(&window);
    EXPECT_EQ(window.calls, QStringList{}) << "setupUi must not run any slot";

    struct Row
    {
        const char *widget;
        const char *expectedCall;
    };
    const std::vector<Row> rows = {
        {"pushButtonSerialConnect", "on_pushButtonSerialConnect_clicked(true)"},
        {"pushButtonStartRecv", "on_pushButtonStartRecv_clicked(true)"},
        {"comboBoxDataRate", "on_comboBoxDataRate_currentTextChanged(50)"},
        {"pushButtonClear", "on_pushButtonClear_clicked"},
        {"spinBoxMaxLines", "on_spinBoxMaxLines_valueChanged(2000)"},
        {"pushButtonSerialLogScrollown", "on_pushButtonSerialLogScrollown_clicked"},
        {"checkBox_display", "on_checkBox_display_stateChanged(0)"},
        {"comboBoxMessagesDisplayMode", "on_comboBoxMessagesDisplayMode_currentTextChanged(Gyr)"},
        {"pushButtonStartPlot", "on_pushButtonStartPlot_clicked(true)"},
        {"pushButtonClearGraphs", "on_pushButtonClearGraphs_clicked"},
        {"comboBoxGraphDisplayMode", "on_comboBoxGraphDisplayMode_currentTextChanged(Gyr)"},
        {"comboBoxShowType", "on_comboBoxShowType_currentIndexChanged(1)"},
        {"pushButtonEnterCalibMode", "on_pushButtonEnterCalibMode_clicked(false)"},
        {"pushButtonExitCalibMode", "on_pushButtonExitCalibMode_clicked(true)"},
        {"pushButtonGetCalibrationData", "on_pushButtonGetCalibrationData_clicked"},
        {"pushButtonClearCalib", "on_pushButtonClearCalib_clicked"},
        {"pushButtonStartGyrBiasCalib", "on_pushButtonStartGyrBiasCalib_clicked(false)"},
        {"pushButtonStopGyrBiasCalib", "on_pushButtonStopGyrBiasCalib_clicked(false)"},
        {"pushButtonRecordQuaternionOffset", "on_pushButtonRecordQuaternionOffset_clicked(false)"},
        {"pushButtonResetQuaternionOffset", "on_pushButtonResetQuaternionOffset_clicked(false)"},
        {"pushButton_version", "on_pushButton_version_clicked"},
        {"pushButton_getSN", "on_pushButton_getSN_clicked"},
        {"pushButton_setSN", "on_pushButton_setSN_clicked"},
        {"pushButton_jumpToDfu", "on_pushButton_jumpToDfu_clicked"},
        {"pushButton_leaveDfu", "on_pushButton_leaveDfu_clicked"},
        {"pushButtonUpgrade", "on_pushButtonUpgrade_clicked"},
        {"pushButton_packfile", "on_pushButton_packfile_clicked"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.widget);
        window.calls.clear();
        QObject *object = window.findChild<QObject *>(QString::fromLatin1(row.widget));
        ASSERT_NE(object, nullptr);
        if (auto *button = qobject_cast<QAbstractButton *>(object))
            button->click();
        else if (auto *combo = qobject_cast<QComboBox *>(object))
            combo->setCurrentIndex(combo->currentIndex() + 1);
        else if (auto *spin = qobject_cast<QSpinBox *>(object))
            spin->stepBy(1);
        else
            FAIL() << "no way to operate " << object->metaObject()->className();
        EXPECT_EQ(window.calls, QStringList{row.expectedCall});
    }
}

} // namespace

#include "form_test.moc"
