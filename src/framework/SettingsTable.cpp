#include "SettingsTable.h"

#include "AppSettings.h"

#include <algorithm>

namespace {

using Range = SettingInfo::OutOfRange;

// Pixel measures stay far enough inside an int that sums of them cannot overflow.
constexpr int MaxPixels = 32767;

template <class... Ts> struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace

UserSettings::UserSettings() { SettingsTable::SetDefaults(*this); }

const std::vector<SettingInfo>& SettingsTable::Entries()
{
    using S = UserSettings;
    static const std::vector<SettingInfo> entries {
        { u"ExpandOnLoad", &S::ExpandOnLoad, 0, 0, 1 },
        { u"ShowAttributesInTree", &S::ShowAttributesInTree, 0, 0, 2, Range::Default },
        { u"ImageScale", &S::ImageScale, 0, 0, 2, Range::Default },
        { u"XmlSourceFormat", &S::XmlSourceFormat, 1, 0, 2, Range::Default },
        { u"XmlSourceFormatSpaces", &S::XmlSourceFormatSpaces, 4, 1, 8 },
        { u"XsltOutput", &S::XsltOutput, 0, 0, 2, Range::Default },
        { u"XsltPreview", &S::XsltPreview, 0, 0, 1, Range::Default },
        { u"XsltPreviewProgram", &S::XsltPreviewProgram },
        // A negative position means none was remembered.
        { u"InsertItemDlgPosX", &S::InsertItemDlgPosX, -1, -1, MaxPixels },
        { u"InsertItemDlgPosY", &S::InsertItemDlgPosY, -1, -1, MaxPixels },
        { u"InsertItemDlgWidth", &S::InsertItemDlgWidth, 0, 0, MaxPixels },
        { u"InsertItemDlgHeight", &S::InsertItemDlgHeight, 0, 0, MaxPixels },
        { u"AttributeNameWidth", &S::AttributeNameWidth, 0, 0, MaxPixels },
        { u"AttributeValueWidth", &S::AttributeValueWidth, 0, 0, MaxPixels },
        { u"AttributeSortColumn", &S::AttributeSortColumn, -1, -1, 1, Range::Default },
        { u"AttributeSortAscending", &S::AttributeSortAscending, 0, 0, 1 },
        { u"FindDirection", &S::FindDirection, 1, 0, 1, Range::Default },
        { u"FindCase", &S::FindCase, 0, 0, 1 },
        { u"FindWholeWords", &S::FindWholeWords, 0, 0, 1 },
        { u"FindNames", &S::FindNames, 1, 0, 1 },
        { u"FindValues", &S::FindValues, 1, 0, 1 },
        { u"FindProps", &S::FindProps, 1, 0, 1 },
        { u"XPathHistory", &S::XPathHistory },
    };
    return entries;
}

int SettingsTable::Limit(const SettingInfo& entry, int value)
{
    if (value >= entry.minimum && value <= entry.maximum)
        return value;
    if (entry.outOfRange == Range::Default)
        return entry.defaultValue;
    return std::clamp(value, entry.minimum, entry.maximum);
}

void SettingsTable::SetDefaults(UserSettings& settings)
{
    for (const SettingInfo& entry : Entries()) {
        std::visit(Overloaded {
                       [&](bool UserSettings::*flag) { settings.*flag = entry.defaultValue != 0; },
                       [&](int UserSettings::*number) { settings.*number = entry.defaultValue; },
                       [&](QString UserSettings::*text) { (settings.*text).clear(); },
                   },
            entry.member);
    }
}

void SettingsTable::Read(AppSettings& store, const QString& section, UserSettings& settings)
{
    for (const SettingInfo& entry : Entries()) {
        const QString key = entry.key.toString();
        std::visit(Overloaded {
                       [&](bool UserSettings::*flag) {
                           settings.*flag = store.GetProfileBool(section, key, entry.defaultValue);
                       },
                       [&](int UserSettings::*number) {
                           settings.*number = Limit(
                               entry, store.GetProfileInt(section, key, entry.defaultValue));
                       },
                       [&](QString UserSettings::*text) {
                           settings.*text = store.GetProfileString(section, key);
                       },
                   },
            entry.member);
    }
}

void SettingsTable::Write(AppSettings& store, const QString& section, const UserSettings& settings)
{
    for (const SettingInfo& entry : Entries()) {
        const QString key = entry.key.toString();
        std::visit(Overloaded {
                       [&](bool UserSettings::*flag) {
                           store.WriteProfileBool(section, key, settings.*flag);
                       },
                       [&](int UserSettings::*number) {
                           store.WriteProfileInt(section, key, settings.*number);
                       },
                       [&](QString UserSettings::*text) {
                           store.WriteProfileString(section, key, settings.*text);
                       },
                   },
            entry.member);
    }
}
