#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "app/DlgFileLocations.h"
#include "app/DlgPreferences.h"
#include "platform/Prompt.h"

namespace {

template <class T>
T* Control(QWidget& dlg, const char* id) {
    T* w = dlg.findChild<T*>(id);
    EXPECT_NE(w, nullptr) << id;
    return w;
}

PreferencesValues SampleValues() {
    PreferencesValues v;
    v.namedWptBaseOverdraft = 1000, v.autoWptBaseOverdraft = 100, v.namedIndexOverdraft = 10;
    v.trackLogOverdraft = 1050, v.undoStackSize = 100, v.labelPosition = 1, v.minWaypointDistance = 100;
    v.dX = 462.3, v.dY = 120.0, v.dZ = 445.6, v.eX = -4.465, v.eY = -3.353, v.eZ = 11.725, v.dM = 15.6;
    v.exportToGps = 1, v.suggestLogNames = 1, v.ignoreExistingWpts = 0, v.existingWptProximity = 2.5;
    v.saveDownloadedWpts = 1, v.importDownloadedWpts = 0, v.askAfterDownloadingWpts = 1,
    v.saveDownloadedTrk = 1;
    v.gpsPort = "/dev/not-a-port", v.gpsBaudRate = "19200", v.gpsUsesLocalDatum = 1;
    v.gpsLogIntervalSeconds = 10, v.gpsLogDrawnPoints = 1000;
    return v;
}

}  // namespace

TEST(Dialogs, PreferencesShowReturnAndRefuseValues) {
    CScriptedPrompter prompter;
    CDlgPreferences dlg;
    static_cast<PreferencesValues&>(dlg) = SampleValues();
    dlg.ToWidgets();
    EXPECT_EQ(Control<QLineEdit>(dlg, "1238")->text(), "462.3");
    EXPECT_EQ(Control<QLineEdit>(dlg, "1242")->text(), "-4.465");
    EXPECT_TRUE(Control<QRadioButton>(dlg, "1262")->isChecked());  // Above
    EXPECT_TRUE(Control<QRadioButton>(dlg, "1330")->isChecked());  // GPS
    EXPECT_FALSE(Control<QCheckBox>(dlg, "1326")->isChecked());
    EXPECT_EQ(Control<QComboBox>(dlg, "1266")->currentText(), "Local datum");
    // Values the lists do not hold are shown, not blanked.
    EXPECT_EQ(Control<QComboBox>(dlg, "1258")->currentText(), "/dev/not-a-port");
    EXPECT_EQ(Control<QComboBox>(dlg, "1259")->currentText(), "19200");

    Control<QRadioButton>(dlg, "1263")->setChecked(true);  // Left
    Control<QLineEdit>(dlg, "1328")->setText("3.75");
    Control<QLineEdit>(dlg, "1241")->setText("-1e-3");
    Control<QCheckBox>(dlg, "1324")->setChecked(true);
    Control<QComboBox>(dlg, "1266")->setCurrentIndex(0);
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(prompter.texts.empty());
    EXPECT_EQ(dlg.labelPosition, 2);
    EXPECT_EQ(dlg.existingWptProximity, 3.75);
    EXPECT_EQ(dlg.dM, -0.001);
    EXPECT_EQ(dlg.importDownloadedWpts, 1);
    EXPECT_EQ(dlg.gpsUsesLocalDatum, 0);
    EXPECT_EQ(dlg.gpsPort, "/dev/not-a-port");
    EXPECT_EQ(dlg.gpsBaudRate, "19200");

    // A stored rate shows as the first rate that begins with it; an emptied port field keeps the port.
    dlg.gpsPort = "COM1", dlg.gpsBaudRate = "48";
    dlg.ToWidgets();
    Control<QComboBox>(dlg, "1258")->setEditText("");
    dlg.accept();
    EXPECT_EQ(dlg.gpsPort, "COM1");
    EXPECT_EQ(dlg.gpsBaudRate, "4800");

    // Bad numbers are refused and change nothing. Grow steps and the undo size within the ranges the settings
    // file is held to.
    const struct {
        const char *control, *text, *message;
    } rows[] = {
        {"1232", "0", "Please enter an integer between 1 and 10000."},
        {"1232", "10001", "Please enter an integer between 1 and 10000."},
        {"1261", "100001", "Please enter an integer between 1 and 100000."},
        {"1231", "0", "Please enter an integer between 1 and 100000."},
        {"1233", "-4", "Please enter an integer between 1 and 100000."},
        {"1234", "100000000", "Please enter an integer between 1 and 100000."},
        {"1239", "12,5", "Please enter a number."},
        {"1237", "many", "Please enter an integer."},
    };
    static_cast<PreferencesValues&>(dlg) = SampleValues();
    dlg.setResult(QDialog::Rejected);
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.control) + " " + r.text);
        dlg.ToWidgets();
        Control<QLineEdit>(dlg, "1235")->setText("55");  // taken before the bad field
        Control<QLineEdit>(dlg, r.control)->setText(r.text);
        prompter.texts.clear();
        dlg.accept();
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(prompter.texts, std::vector<std::string>{r.message});
        const PreferencesValues v = SampleValues();
        EXPECT_EQ(dlg.minWaypointDistance, v.minWaypointDistance);
        EXPECT_EQ(dlg.autoWptBaseOverdraft, v.autoWptBaseOverdraft);
        EXPECT_EQ(dlg.undoStackSize, v.undoStackSize);
    }
    dlg.ToWidgets();
    Control<QLineEdit>(dlg, "1232")->setText("10000");
    Control<QLineEdit>(dlg, "1234")->setText("100000");
    Control<QLineEdit>(dlg, "1237")->setText(" 500 ");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.autoWptBaseOverdraft, 10000);
    EXPECT_EQ(dlg.undoStackSize, 100000);
    EXPECT_EQ(dlg.gpsLogDrawnPoints, 500);
}

TEST(Dialogs, FileLocationsEditsTheFolders) {
    CDlgFileLocations dlg;
    dlg.wptBaseDir = "/w/";
    for (int i = 0; i < kMapTypeCount; ++i) dlg.mapTypes[i].directory = "/m" + std::to_string(i) + "/";
    dlg.ToWidgets();
    EXPECT_EQ(Control<QLineEdit>(dlg, "1231")->text(), "/w/");
    EXPECT_EQ(Control<QLineEdit>(dlg, "1283")->text(), "/m4/");
    Control<QLineEdit>(dlg, "1242")->setText("/new/tk50");
    dlg.FromWidgets();
    EXPECT_EQ(dlg.mapTypes[1].directory, "/new/tk50");
    EXPECT_EQ(dlg.mapTypes[0].directory, "/m0/");
}
