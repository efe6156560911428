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

using kvr::Language;
using kvr::testing::GuiRig;
namespace id = kvr::id;

class SettingsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void readFillsTheRealWidgets_data();
    void readFillsTheRealWidgets();
    void typedFieldIsWrittenToTheController();
    void refusedFieldShowsItsBoxOwnedByTheWindow_data();
    void refusedFieldShowsItsBoxOwnedByTheWindow();
    void settingsFileThroughTheFileMenu();
};

void SettingsWindowTest::readFillsTheRealWidgets_data() {
    QTest::addColumn<bool>("german");
    QTest::newRow("English") << false;
    QTest::newRow("German") << true;
}

// The controller as it comes: 16 MHz, version 61.23 with every feature, the
// governor off, reduce power with 3 LiPo cells.
void SettingsWindowTest::readFillsTheRealWidgets() {
    QFETCH(bool, german);
    GuiRig r(german ? Language::German : Language::English);
    QVERIFY(!r.main->IsEnabled(id::kWrite));
    r.Click(id::kRead);
    QVERIFY(r.host.boxes.empty());

    const std::vector<std::pair<int, QString>> texts = {
        {id::kVersionText, "V 61.23-1F"}, {id::kFullSpeedTime, "1.90"},
        {id::kNeutralTime, "1.50"},       {id::kStopTime, "1.10"},
        {id::kAcceleration, " 10"},       {id::kStartupPower, " 10"},
        {id::kLogTransmitter, " 2"},      {id::kLogOvertemp, " 0"},
        {id::kLogUndervoltage, " 1"},     {id::kLipoCells, " 3"},
        {id::kStatusLine, "OK"},
    };
    for (const auto& [control, text] : texts) {
        QVERIFY2(r.Text(control) == text,
                 QByteArray::number(control) + ": " + r.Text(control).toUtf8());
    }

    auto* timing = qobject_cast<QComboBox*>(r.Control(id::kTimingList));
    auto* brake = qobject_cast<QComboBox*>(r.Control(id::kBrakeList));
    QCOMPARE(timing->currentIndex(), 5);
    QCOMPARE(timing->currentText(), QStringLiteral("auto"));
    QCOMPARE(brake->currentIndex(), 0);
    QCOMPARE(brake->currentText(), german ? QStringLiteral("aus") : QStringLiteral("off"));

    const std::vector<std::pair<int, bool>> checks = {
        {id::kFreq78, true},          {id::kFreq156, false},          {id::kFreeWheeling, true},
        {id::kForwardReverse, false}, {id::kRpmLimit, false},         {id::kTurbo, false},
        {id::kRpmControl, false},     {id::kLvIgnore, false},         {id::kLvReducePower, true},
        {id::kLvSwitchOff, false},    {id::kBatteryNicd, false},      {id::kBatteryLipo, true},
        {id::kBatteryFix, false},     {id::kOvertempProtection, true}};
    for (const auto& [control, checked] : checks) {
        auto* button = qobject_cast<QAbstractButton*>(r.Control(control));
        QVERIFY2(button->isChecked() == checked, QByteArray::number(control));
    }

    const std::vector<std::pair<int, bool>> enabled = {
        {id::kWrite, true},           {id::kStatusLine, false},   {id::kLipoCells, true},
        {id::kThresholdVolts, false}, {id::kMaxFrequency, false}, {id::kRpmControl, true}};
    for (const auto& [control, on] : enabled) {
        QVERIFY2(r.Control(control)->isEnabled() == on, QByteArray::number(control));
    }
    QCOMPARE(r.program.app.statusWindow, static_cast<kvr::Window*>(r.main.get()));
    QVERIFY(r.Writes().empty());
}

void SettingsWindowTest::typedFieldIsWrittenToTheController() {
    GuiRig r(Language::English);
    r.Click(id::kRead);
    QVERIFY(r.main->IsEnabled(id::kWrite));

    kvr::testing::TypeInto(r.Control(id::kAcceleration), "2x3");
    QCOMPARE(r.Text(id::kAcceleration), QStringLiteral("23"));
    kvr::testing::TypeInto(r.Control(id::kFullSpeedTime), "2.25");
    kvr::testing::ClickButton(r.Control(id::kTurbo));
    QVERIFY(!QTest::currentTestFailed());
    r.ctl().trace.clear();
    r.Click(id::kWrite);
    QVERIFY(r.host.boxes.empty());

    QCOMPARE(r.Byte(kvr::Acceleration), 23);
    // 2.25 ms in half microseconds: 4500 = 0x1194.
    QCOMPARE(r.Byte(kvr::FullSpeedTimeHigh), 0x11);
    QCOMPARE(r.Byte(kvr::FullSpeedTimeLow), 0x94);
    // Free wheeling and automatic timing as read, turbo added.
    QCOMPARE(r.Byte(kvr::OptionFlags), kvr::kOptFreeWheeling | kvr::kOptTurbo);
    // The fields left alone keep their values.
    QCOMPARE(r.Byte(kvr::StopTimeHigh) * 256 + r.Byte(kvr::StopTimeLow), 2200);
    QCOMPARE(r.Byte(kvr::NeutralTimeHigh) * 256 + r.Byte(kvr::NeutralTimeLow), 3000);
    QCOMPARE(r.Byte(kvr::StartupPower), 10);
    QCOMPARE(r.Byte(kvr::LipoCells), 3);
    QCOMPARE(r.Byte(kvr::BatteryCode), 0);
    QCOMPARE(r.Byte(kvr::LowVoltageMode), 2);
    QCOMPARE(r.Byte(kvr::TimingCode), 64);

    const auto writes = r.Writes();
    QVERIFY(!writes.empty());
    QCOMPARE(writes.front(), (std::pair<int, int>{kvr::FullSpeedTimeHigh, 0x11}));
    QVERIFY(!r.Control(id::kStatusLine)->isEnabled());
    QVERIFY(r.main->IsEnabled(id::kWrite));
}

void SettingsWindowTest::refusedFieldShowsItsBoxOwnedByTheWindow_data() {
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

void SettingsWindowTest::refusedFieldShowsItsBoxOwnedByTheWindow() {
    QFETCH(bool, german);
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    GuiRig r(german ? Language::German : Language::English);
    r.Click(id::kRead);
    const auto before = r.ctl().memory;
    r.ctl().trace.clear();

    kvr::testing::TypeInto(r.Control(field), typed);
    r.Click(id::kWrite);
    QCOMPARE(r.host.boxes.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(r.host.boxes[0].text), text);
    QCOMPARE(r.host.boxes[0].caption, std::string("Error!"));
    QCOMPARE(r.host.boxes[0].owner, static_cast<kvr::Window*>(r.main.get()));
    QCOMPARE(r.host.boxes[0].buttons, kvr::MessageButtons::Ok);
    // Nothing reached the controller; the window stays ready for a retry.
    QVERIFY(r.Writes().empty());
    QVERIFY(r.ctl().memory == before);
    QVERIFY(r.main->IsEnabled(id::kWrite));
    QCOMPARE(r.Text(field), typed);
}

// Save, change, Load and Write through the real menu items and widgets.
void SettingsWindowTest::settingsFileThroughTheFileMenu() {
    GuiRig r(Language::German);
    r.host.savedFiles.push_back("regler.json");
    r.Choose(id::kSaveSettings);  // before a Read: refused
    QCOMPARE(r.host.boxes.size(), std::size_t{1});
    QCOMPARE(r.host.boxes[0].text, std::string("Zuerst Werte einlesen!"));
    QVERIFY(r.host.saveRequests.empty());

    r.Click(id::kRead);
    r.Choose(id::kSaveSettings);
    QCOMPARE(r.host.saveRequests.size(), std::size_t{1});
    QCOMPARE(r.host.saveRequests[0].title, std::string("Einstellungen speichern"));
    QVERIFY(std::filesystem::exists(r.dir.path() / "regler.json"));

    kvr::testing::TypeInto(r.Control(id::kAcceleration), "44");
    kvr::testing::ClickButton(r.Control(id::kTurbo));
    kvr::testing::ClickButton(r.Control(id::kLvSwitchOff));
    QVERIFY(!QTest::currentTestFailed());
    r.host.chosenFiles.push_back("regler.json");
    r.Choose(id::kLoadSettings);
    QCOMPARE(r.host.boxes.size(), std::size_t{1});
    QCOMPARE(r.Text(id::kAcceleration), QStringLiteral(" 10"));
    QVERIFY(!qobject_cast<QAbstractButton*>(r.Control(id::kTurbo))->isChecked());
    QVERIFY(qobject_cast<QAbstractButton*>(r.Control(id::kLvReducePower))->isChecked());
    QVERIFY(!qobject_cast<QAbstractButton*>(r.Control(id::kLvSwitchOff))->isChecked());
    QVERIFY(r.Writes().empty());

    r.SetByte(kvr::Acceleration, 30);
    r.Click(id::kWrite);
    QCOMPARE(r.host.boxes.size(), std::size_t{1});
    QCOMPARE(r.Byte(kvr::Acceleration), 10);
}

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
