// Read and Write of the settings through the real main window, on a
// simulated controller.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <filesystem>
#include <utility>
#include <vector>

#include "gui/support/gui_rig.h"
#include "res/ids.h"
#include "settings/settings_image.h"

class SettingsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void readFillsTheRealWidgets_data();
    void readFillsTheRealWidgets();
    void typedFieldIsWrittenToTheController_data();
    void typedFieldIsWrittenToTheController();
    void chosenPortIsSavedAtEnd_data();
    void chosenPortIsSavedAtEnd();

    void refusedFieldShowsItsBoxOwnedByTheWindow_data() {
        QTest::addColumn<bool>("german");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::newRow("full speed") << false << id::kFullSpeedTime << "2.50"
                                    << "full speed 1.6 - 2.3ms !";
        QTest::newRow("Stopp") << true << id::kStopTime << "0.70"
                               << "Stopp 0.8 - 1.43ms !";
        QTest::newRow("acceleration") << false << id::kAcceleration << "51"
                                      << "control speed (1 - 50)";
    }
    void refusedFieldShowsItsBoxOwnedByTheWindow() {
        QFETCH(bool, german);
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        GuiRig r(german ? Language::German : Language::English);
        r.Click(id::kRead);
        const auto before = r.ctl().memory;
        r.ctl().trace.clear();

        TypeInto(r.Control(field), typed);
        r.Click(id::kWrite);
        QCOMPARE(r.host.boxes, OneBox(text.toStdString(), "Error!", r.main.get()));
        // Nothing reached the controller; the window stays ready for a retry.
        QVERIFY(r.Writes().empty());
        QVERIFY(r.ctl().memory == before);
        QVERIFY(r.main->IsEnabled(id::kWrite));
        QCOMPARE(r.Text(field), typed);
    }
    void settingsFileThroughTheFileMenu_data();
    void settingsFileThroughTheFileMenu();
    void frequencyChosenAndWritten_data();
    void frequencyChosenAndWritten();
};

// The cases both front ends share.
KVR_WINDOW_CASES(SettingsWindowTest, readFillsTheRealWidgets, "ReadFills")
KVR_WINDOW_CASES(SettingsWindowTest, typedFieldIsWrittenToTheController, "TypedFields")
KVR_WINDOW_CASES(SettingsWindowTest, chosenPortIsSavedAtEnd, "ChosenPort")
KVR_WINDOW_CASES(SettingsWindowTest, settingsFileThroughTheFileMenu, "SettingsFile")
KVR_WINDOW_CASES(SettingsWindowTest, frequencyChosenAndWritten, "Frequency")

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
