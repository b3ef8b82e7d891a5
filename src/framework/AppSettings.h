#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>

// The user's settings file, read and written by section and entry. Sections name subsections
// with a backslash ("Layout\Bar1"); numbers and flags are stored as decimal numbers.
class AppSettings {
public:
    // The user's file: "Korvane Limited/Trelvo.conf" in the user's configuration folder
    // ($XDG_CONFIG_HOME, else ~/.config), in INI format.
    AppSettings();
    // Another INI file, for tools and tests.
    explicit AppSettings(const QString& fileName);

    static QString DefaultFileName();

    // A missing value, or one that is not a whole number, gives the default.
    int GetProfileInt(const QString& section, const QString& entry, int defaultValue);
    void WriteProfileInt(const QString& section, const QString& entry, int value);
    // Stored as 0 or 1; any stored number but 0 reads as true.
    bool GetProfileBool(const QString& section, const QString& entry, bool defaultValue);
    void WriteProfileBool(const QString& section, const QString& entry, bool value);
    QString GetProfileString(
        const QString& section, const QString& entry, const QString& defaultValue = QString());
    void WriteProfileString(const QString& section, const QString& entry, const QString& value);
    QByteArray GetProfileBinary(const QString& section, const QString& entry);
    void WriteProfileBinary(const QString& section, const QString& entry, const QByteArray& value);
    // Removes the section with its entries and subsections.
    void RemoveSection(const QString& section);
    // The names of the section's direct subsections, as the file holds them.
    QStringList SubSections(const QString& section);

    // Writes pending changes to the file now rather than when the object goes away.
    void Sync();
    QString FileName() const;

private:
    static QString Key(const QString& section, const QString& entry);

    QSettings settings;
};
