#pragma once

#include "View.h"
#include "dom/DomBindings.h"
#include "dom/DomXPath.h"

#include <QDialog>
#include <QPointer>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTreeView;
class TrelvoView;
class XPathResults;

// The modeless XPath dialog: evaluates an expression with the selected node as the context,
// lists the nodes it selects and selects a listed node's item when it is clicked. It shows the
// namespace bindings the expression may use and lets the user change them; it keeps the last
// expressions in the settings. As a view of the document it lets go of the nodes it lists when
// the document is cleared. Close and Escape only hide it.
class XPathDlg : public QDialog, public View {
    Q_OBJECT

public:
    // At most this many expressions are kept, the latest first.
    static constexpr int HistorySize = 20;

    explicit XPathDlg(QWidget* parent = nullptr);

    // The tree view whose document is searched and whose items are selected; not owned.
    void SetTreeView(TrelvoView* view);
    // Shows the dialog in front with the expression selected for typing over.
    void Activate();
    // Evaluates the expression in the field, as the Evaluate button does.
    void Evaluate();

    void OnUpdate(View* sender, long hint) override;

    QComboBox* ExpressionBox() const { return expressionBox; }
    QPushButton* EvaluateButton() const { return evaluateButton; }
    QTableWidget* BindingsTable() const { return bindingsTable; }
    QTreeView* ResultList() const { return resultList; }
    QLabel* Summary() const { return summary; }
    XPathResults* Results() const { return results; }

private:
    void ShowBindings(const DomBindings& bindings);
    // The bindings as the table holds them; rows without a prefix or a namespace are skipped.
    DomBindings TableBindings() const;
    void OnBindingEdited();
    void OnResultClicked(const QModelIndex& index);
    void ShowResult(const DomXPath::Result& result);
    void LoadHistory();
    void RememberExpression(const QString& expression);

    QPointer<TrelvoView> treeView;
    QComboBox* expressionBox = nullptr;
    QPushButton* evaluateButton = nullptr;
    QTableWidget* bindingsTable = nullptr;
    QLabel* summary = nullptr;
    QTreeView* resultList = nullptr;
    XPathResults* results = nullptr;
    bool fillingBindings = false;
    // The document changed while the dialog was hidden.
    bool stale = true;
};
