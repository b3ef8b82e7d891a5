#pragma once

#include <QPoint>
#include <QString>

#include <functional>
#include <vector>

class AppSettings;

// The saved layout of a frame's control bars: one record per bar and per dock bar, kept in a
// settings section as subsections "Bar0", "Bar1", ...
class BarState {
public:
    struct BarRecord {
        int barId = 0;
        bool visible = true;
        bool floating = false;
        // The top-left corner of the floating frame, in screen coordinates.
        QPoint floatPos;
        // Dock bars only: the bars in order, 0 between rows.
        std::vector<int> bars;
    };

    std::vector<BarRecord> records;

    // A frame saves one record per bar, per dock bar and per floating frame: a dozen for this
    // program. A section that claims more, or lists a bar twice, is damaged, not a layout.
    static constexpr int maxRecords = 64;
    // Floating positions are kept within ±32767, what a 16-bit window system coordinate holds:
    // a frame's far edge (position plus size) must still fit an int.
    static constexpr int maxCoordinate = 32767;

    // True when a layout was found in the section: 1 to maxRecords records, no bar listed or
    // recorded twice (the floating frames' records share one identifier). Otherwise no records.
    bool Load(AppSettings& settings, const QString& section);
    // Removes the records of a longer layout saved before, by the subsections the file holds.
    void Save(AppSettings& settings, const QString& section) const;

    // Every bar a dock bar lists (0 entries separate rows and are skipped; only the low 16 bits
    // of an identifier count), and every record that is not floating, must name a bar that
    // exists. One miss rejects the whole layout.
    bool Verify(const std::function<bool(int)>& barExists) const;

private:
    bool HasDuplicates() const;
};
