#include "BarState.h"

#include "AppSettings.h"
#include "DockIds.h"

#include <QStringList>

#include <algorithm>
#include <set>

namespace {
QString RecordSection(const QString& section, int index)
{
    return section + QStringLiteral("\\Bar") + QString::number(index);
}
}

bool BarState::Load(AppSettings& settings, const QString& section)
{
    records.clear();
    const int count = settings.GetProfileInt(section, QStringLiteral("Bars"), 0);
    if (count <= 0 || count > maxRecords)
        return false;
    const auto coordinate = [&settings](const QString& recordSection, const QString& entry) {
        return std::clamp(
            settings.GetProfileInt(recordSection, entry, 0), -maxCoordinate, maxCoordinate);
    };
    for (int i = 0; i < count; ++i) {
        const QString recordSection = RecordSection(section, i);
        BarRecord record;
        record.barId = settings.GetProfileInt(recordSection, QStringLiteral("BarID"), 0);
        record.visible = settings.GetProfileBool(recordSection, QStringLiteral("Visible"), true);
        record.floating = settings.GetProfileBool(recordSection, QStringLiteral("Floating"), false);
        record.floatPos.setX(coordinate(recordSection, QStringLiteral("XPos")));
        record.floatPos.setY(coordinate(recordSection, QStringLiteral("YPos")));
        const QString bars = settings.GetProfileString(recordSection, QStringLiteral("Bars"));
        for (const QString& id : bars.split(u' ', Qt::SkipEmptyParts))
            record.bars.push_back(id.toInt());
        records.push_back(record);
    }
    // A bar in two places would be docked in both: a dock bar keeps what it is given.
    if (HasDuplicates()) {
        records.clear();
        return false;
    }
    return true;
}

bool BarState::HasDuplicates() const
{
    std::set<int> recorded;
    std::set<int> listed;
    for (const BarRecord& record : records) {
        if (record.barId != AFX_IDW_DOCKBAR_FLOAT && !recorded.insert(record.barId).second)
            return true;
        for (int id : record.bars) {
            if (id != 0 && !listed.insert(id & 0xFFFF).second)
                return true;
        }
    }
    return false;
}

void BarState::Save(AppSettings& settings, const QString& section) const
{
    // Not up to the stored count: a damaged file may give any number there.
    const int count = int(records.size());
    for (const QString& name : settings.SubSections(section)) {
        bool isNumber = false;
        const int index = QStringView(name).mid(3).toInt(&isNumber);
        if (name.startsWith(u"Bar") && isNumber && (index < 0 || index >= count))
            settings.RemoveSection(section + u'\\' + name);
    }
    settings.WriteProfileInt(section, QStringLiteral("Bars"), int(records.size()));
    for (int i = 0; i < int(records.size()); ++i) {
        const BarRecord& record = records[size_t(i)];
        const QString recordSection = RecordSection(section, i);
        settings.WriteProfileInt(recordSection, QStringLiteral("BarID"), record.barId);
        settings.WriteProfileBool(recordSection, QStringLiteral("Visible"), record.visible);
        settings.WriteProfileBool(recordSection, QStringLiteral("Floating"), record.floating);
        settings.WriteProfileInt(recordSection, QStringLiteral("XPos"), record.floatPos.x());
        settings.WriteProfileInt(recordSection, QStringLiteral("YPos"), record.floatPos.y());
        QStringList bars;
        for (int id : record.bars)
            bars << QString::number(id);
        settings.WriteProfileString(recordSection, QStringLiteral("Bars"), bars.join(u' '));
    }
}

bool BarState::Verify(const std::function<bool(int)>& barExists) const
{
    for (const BarRecord& record : records) {
        for (int id : record.bars) {
            if (id != 0 && !barExists(id & 0xFFFF))
                return false;
        }
        if (!record.floating && !barExists(record.barId))
            return false;
    }
    return true;
}
