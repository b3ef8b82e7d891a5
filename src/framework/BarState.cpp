#include "BarState.h"

#include "AppSettings.h"

#include <QStringList>

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
    for (int i = 0; i < count; ++i) {
        const QString recordSection = RecordSection(section, i);
        BarRecord record;
        record.barId = settings.GetProfileInt(recordSection, QStringLiteral("BarID"), 0);
        record.visible = settings.GetProfileBool(recordSection, QStringLiteral("Visible"), true);
        record.floating = settings.GetProfileBool(recordSection, QStringLiteral("Floating"), false);
        record.floatPos.setX(settings.GetProfileInt(recordSection, QStringLiteral("XPos"), 0));
        record.floatPos.setY(settings.GetProfileInt(recordSection, QStringLiteral("YPos"), 0));
        const QString bars = settings.GetProfileString(recordSection, QStringLiteral("Bars"));
        for (const QString& id : bars.split(u' ', Qt::SkipEmptyParts))
            record.bars.push_back(id.toInt());
        records.push_back(record);
    }
    return count > 0;
}

void BarState::Save(AppSettings& settings, const QString& section) const
{
    const int oldCount = settings.GetProfileInt(section, QStringLiteral("Bars"), 0);
    for (int i = int(records.size()); i < oldCount; ++i)
        settings.RemoveSection(RecordSection(section, i));
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
