// Control and command ids of the main window and its dialogs.
#pragma once

namespace kvr::id {

inline constexpr int kOk = 1;
inline constexpr int kEnd = 2;

inline constexpr int kStatusLine = 1044;
inline constexpr int kHelpFile = 1104;
inline constexpr int kStopTime = 1134;
inline constexpr int kFullSpeedTime = 1135;
inline constexpr int kFreeWheeling = 1137;
inline constexpr int kFreq78 = 1138;
inline constexpr int kFreq156 = 1139;
inline constexpr int kTimingList = 1140;
inline constexpr int kAcceleration = 1142;
inline constexpr int kVersionText = 1145;
inline constexpr int kBrakeList = 1146;
inline constexpr int kOpenUpdateFile = 1147;
inline constexpr int kRead = 1149;
inline constexpr int kWrite = 1150;
inline constexpr int kAbout = 1151;
inline constexpr int kPortLpt278 = 1152;
inline constexpr int kPortLpt378 = 1153;
inline constexpr int kPortLpt3BC = 1154;
inline constexpr int kPortCom1 = 1155;
inline constexpr int kPortCom8 = 1162;
inline constexpr int kStartupPower = 1164;
inline constexpr int kNeutralTime = 1166;
inline constexpr int kLvIgnore = 1168;
inline constexpr int kForwardReverse = 1169;
inline constexpr int kLvSwitchOff = 1170;
inline constexpr int kLvReducePower = 1171;
inline constexpr int kRpmControl = 1175;
inline constexpr int kLogTransmitter = 1177;
inline constexpr int kLogOvertemp = 1178;
inline constexpr int kLogUndervoltage = 1179;
inline constexpr int kLogReset = 1183;
inline constexpr int kRpmLimit = 1188;
inline constexpr int kOvertempProtection = 1191;
inline constexpr int kThresholdVolts = 1194;
inline constexpr int kServicePage = 1197;
inline constexpr int kLockFunctions = 1202;
inline constexpr int kRpmSetUp = 1210;
inline constexpr int kMaxFrequency = 1212;
inline constexpr int kControllerInfo = 1225;
inline constexpr int kBatteryNicd = 1232;
inline constexpr int kBatteryLipo = 1233;
inline constexpr int kBatteryFix = 1234;
inline constexpr int kLipoCells = 1237;
inline constexpr int kTurbo = 1243;
inline constexpr int kRevCounter = 1244;

// Settings files, in the File menu after the update item; the ids lie
// above every id of the templates.
inline constexpr int kSaveSettings = 1301;
inline constexpr int kLoadSettings = 1302;

// Controls of the speed-tool dialogs that the shell's configuration code
// reads.
inline constexpr int kPoleCount = 1176;
inline constexpr int kGearRatio = 1220;
inline constexpr int kSaveInput = 1221;

// Template and menu ids.
inline constexpr int kMainWindowEn = 1226;
inline constexpr int kMainWindowDe = 1227;
inline constexpr int kMenuEn = 157;
inline constexpr int kMenuDe = 156;

// Lock functions dialog.
inline constexpr int kLockTemplateEn = 1229;
inline constexpr int kLockTemplateDe = 1230;
inline constexpr int kLockRead = 1204;
inline constexpr int kLockWrite = 1205;
inline constexpr int kLockRcSetup = 1206;
inline constexpr int kLockTestProgram = 1207;

// RPM-control dialog and rev counter.
inline constexpr int kRpmTemplateEn = 1228;
inline constexpr int kRpmTemplateDe = 1231;
inline constexpr int kRevTemplateEn = 1247;
inline constexpr int kRevTemplateDe = 1245;

// Fields shared by both speed dialogs (1212 is kMaxFrequency above).
inline constexpr int kSpeedHz = 1212;
inline constexpr int kSpeedElectricalRpm = 1215;
inline constexpr int kSpeedMotorRpm = 1219;
inline constexpr int kSpeedRotorRpm = 1218;

// RPM-control dialog.
inline constexpr int kRpmRead = 1213;
inline constexpr int kRpmWrite = 1214;
inline constexpr int kRpmCalculate = 1216;
inline constexpr int kRpmProportional = 1239;
inline constexpr int kRpmIntegral = 1240;
inline constexpr int kRpmQuickStart = 1241;

// Rev counter.
inline constexpr int kRevReleaseMotor = 1246;
inline constexpr int kRevRotorLabel = 1248;

}  // namespace kvr::id
