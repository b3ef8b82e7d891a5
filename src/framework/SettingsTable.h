#pragma once

#include "UserSettings.h"

#include <QString>
#include <QStringView>

#include <variant>
#include <vector>

class AppSettings;

// One stored setting: its entry name, the member that holds it, its default and the values it
// may take.
struct SettingInfo {
    // What reading does with a stored number outside [minimum, maximum]: a choice among radio
    // buttons takes the default, a measure the nearest allowed value.
    enum class OutOfRange { Default, Nearest };

    QStringView key;
    std::variant<bool UserSettings::*, int UserSettings::*, QString UserSettings::*> member;
    // For flags 0 or 1; unused for the text.
    int defaultValue = 0;
    int minimum = 0;
    int maximum = 0;
    OutOfRange outOfRange = OutOfRange::Nearest;
};

// Every user setting, described once: the table drives the defaults, the reading (with its
// limits) and the writing.
class SettingsTable {
public:
    static const std::vector<SettingInfo>& Entries();

    static void SetDefaults(UserSettings& settings);
    // Each entry of section; a missing entry, or one that is not a number, takes its default,
    // and a number outside its range is brought into it, so that a damaged file can never leave
    // a dialog without a checked choice or a command without effect. A flag is true for any
    // number but 0.
    static void Read(AppSettings& store, const QString& section, UserSettings& settings);
    // Flags as 0 or 1.
    static void Write(AppSettings& store, const QString& section, const UserSettings& settings);
    // value brought into the entry's range.
    static int Limit(const SettingInfo& entry, int value);
};
