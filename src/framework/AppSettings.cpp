#include "AppSettings.h"

#include <QStandardPaths>

namespace {
QString Group(const QString& section)
{
    QString group = section;
    group.replace(u'\\', u'/');
    while (group.endsWith(u'/'))
        group.chop(1);
    return group;
}
}

AppSettings::AppSettings()
    : AppSettings(DefaultFileName())
{
}

AppSettings::AppSettings(const QString& fileName)
    : settings(fileName, QSettings::IniFormat)
{
}

QString AppSettings::DefaultFileName()
{
    // The path is worked out on every construction rather than by QSettings' own organisation
    // and application lookup, which caches the folder for the whole process: tests point
    // XDG_CONFIG_HOME at a scratch folder and expect the next settings object to follow.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Korvane Limited/Trelvo.conf");
}

QString AppSettings::Key(const QString& section, const QString& entry)
{
    return Group(section) + u'/' + entry;
}

int AppSettings::GetProfileInt(const QString& section, const QString& entry, int defaultValue)
{
    const QVariant value = settings.value(Key(section, entry));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : defaultValue;
}

void AppSettings::WriteProfileInt(const QString& section, const QString& entry, int value)
{
    settings.setValue(Key(section, entry), value);
}

bool AppSettings::GetProfileBool(const QString& section, const QString& entry, bool defaultValue)
{
    return GetProfileInt(section, entry, defaultValue ? 1 : 0) != 0;
}

void AppSettings::WriteProfileBool(const QString& section, const QString& entry, bool value)
{
    WriteProfileInt(section, entry, value ? 1 : 0);
}

QString AppSettings::GetProfileString(
    const QString& section, const QString& entry, const QString& defaultValue)
{
    const QVariant value = settings.value(Key(section, entry));
    if (!value.isValid())
        return defaultValue;
    // The INI reader splits an unquoted value with commas into a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void AppSettings::WriteProfileString(
    const QString& section, const QString& entry, const QString& value)
{
    settings.setValue(Key(section, entry), value);
}

QByteArray AppSettings::GetProfileBinary(const QString& section, const QString& entry)
{
    return settings.value(Key(section, entry)).toByteArray();
}

void AppSettings::WriteProfileBinary(
    const QString& section, const QString& entry, const QByteArray& value)
{
    settings.setValue(Key(section, entry), value);
}

void AppSettings::RemoveSection(const QString& section) { settings.remove(Group(section)); }

QStringList AppSettings::SubSections(const QString& section)
{
    settings.beginGroup(Group(section));
    const QStringList names = settings.childGroups();
    settings.endGroup();
    return names;
}

void AppSettings::Sync() { settings.sync(); }

QString AppSettings::FileName() const { return settings.fileName(); }
