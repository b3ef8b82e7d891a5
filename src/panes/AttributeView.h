#pragma once

#include "CommandInfo.h"
#include "ResizableFormView.h"
#include "UserSettings.h"
#include "dom/DomAttribute.h"

#include <QIcon>
#include <QList>
#include <QMetaType>

#include <vector>

class AttributeEditor;
class SmartList;
class TrelvoDoc;
class QTreeWidgetItem;

Q_DECLARE_METATYPE(DomAttribute)

// Lists the attributes of the document's selected node, one name/value row each, and lets the
// user sort them, add and delete attributes and edit values in place.
class AttributeView : public ResizableFormView {
    Q_OBJECT

public:
    // The row images, in image-list order.
    enum RowImage { ImageOther = 0, ImageHref = 1, ImageType = 2, ImageValue = 3 };
    // Item data roles of column 0: the row's attribute and its image index.
    static constexpr int AttributeRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 1;

    explicit AttributeView(QWidget* parent = nullptr);
    ~AttributeView() override;

    // The settings the pane reads at each use and changes (not owned); without them (null) it
    // keeps its own.
    void SetSettings(UserSettings* shared);
    UserSettings& Settings() const { return *settings; }
    // Every change the pane makes goes through editor (not owned); without one the pane changes
    // nothing.
    void SetEditor(AttributeEditor* changes) { editor = changes; }
    AttributeEditor* GetEditor() const { return editor; }

    // Once, after the pane has been created: columns, images and the in-place editor.
    void SetupAttributeList();
    // Once the main window is shown: the stored column widths and sort order.
    void ApplyAttributeSettings();
    void SaveAttributeColumnWidths();
    void RefreshAttributes();
    // Appends a row for attribute, replacing a row of the same name; returns its index.
    int AddAttributeRow(const DomAttribute& attribute);
    // The order of two rows under the current sort settings: -1, 0 or 1.
    int CompareAttributeRows(const QTreeWidgetItem* a, const QTreeWidgetItem* b) const;
    void SortAttributeRows();
    void OnHeaderClick(int column);

    void OnAddAttribute();
    void OnDeleteAttribute();
    // Stores text as the value of the attribute in row item; false when the DOM refuses it.
    bool OnValidateEdit(int item, const QString& text);
    // pos: in the list's viewport coordinates.
    void ShowContextMenu(const QPoint& pos);

    static RowImage ImageForName(const QString& name);
    static std::vector<CommandInfo> Commands();

    SmartList* GetList() const { return list; }
    DomAttribute AttributeAt(int row) const;
    const QList<QIcon>& GetImages() const { return images; }

    void OnUpdate(View* sender, long hint) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TrelvoDoc* Doc() const;
    void CopySortToList();
    void DeleteRow(int row);
    void SelectOnly(int row);

    SmartList* list = nullptr;
    AttributeEditor* editor = nullptr;
    QList<QIcon> images;
    UserSettings ownSettings;
    UserSettings* settings = &ownSettings;
};

// The one attribute pane of the process, set by its constructor; null when there is none.
extern AttributeView* g_pAttributeView;
