#include "XPathDlg.h"

#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "WaitCursor.h"
#include "XPathResults.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeView>

namespace {

// "1 node", "204,375 nodes".
QString NodeCount(long count)
{
    return count == 1 ? QStringLiteral("1 node")
                      : QStringLiteral("%1 nodes").arg(QLocale(QLocale::English).toString(count));
}

} // namespace

XPathDlg::XPathDlg(QWidget* parent)
    : QDialog(parent)
    , results(new XPathResults(this))
{
    setWindowTitle(QStringLiteral("Find by XPath"));

    auto* expressionLabel = new QLabel(QStringLiteral("&Expression:"), this);
    expressionBox = new QComboBox(this);
    expressionBox->setObjectName(QStringLiteral("expression"));
    expressionBox->setEditable(true);
    expressionBox->setInsertPolicy(QComboBox::NoInsert);
    expressionBox->setMaxCount(HistorySize);
    expressionBox->setMinimumWidth(360);
    expressionBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    expressionLabel->setBuddy(expressionBox);

    evaluateButton = new QPushButton(QStringLiteral("E&valuate"), this);
    evaluateButton->setObjectName(QStringLiteral("evaluate"));
    evaluateButton->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("close"));
    connect(evaluateButton, &QPushButton::clicked, this, &XPathDlg::Evaluate);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* bindingsLabel = new QLabel(QStringLiteral("&Namespace prefixes:"), this);
    bindingsTable = new QTableWidget(0, 2, this);
    bindingsTable->setObjectName(QStringLiteral("bindings"));
    bindingsTable->setHorizontalHeaderLabels(
        { QStringLiteral("Prefix"), QStringLiteral("Namespace") });
    bindingsTable->horizontalHeader()->setStretchLastSection(true);
    bindingsTable->verticalHeader()->hide();
    bindingsTable->setMaximumHeight(130);
    bindingsLabel->setBuddy(bindingsTable);
    connect(bindingsTable, &QTableWidget::itemChanged, this, &XPathDlg::OnBindingEdited);

    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setWordWrap(true);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    resultList = new QTreeView(this);
    resultList->setObjectName(QStringLiteral("results"));
    resultList->setModel(results);
    resultList->setRootIsDecorated(false);
    resultList->setUniformRowHeights(true);
    resultList->setAllColumnsShowFocus(true);
    resultList->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultList->setMinimumHeight(180);
    resultList->header()->resizeSection(XPathResults::PathColumn, 300);
    connect(resultList, &QTreeView::clicked, this, &XPathDlg::OnResultClicked);
    connect(resultList, &QTreeView::activated, this, &XPathDlg::OnResultClicked);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(evaluateButton);
    buttons->addWidget(close);
    buttons->addStretch();

    auto* layout = new QGridLayout(this);
    layout->addWidget(expressionLabel, 0, 0);
    layout->addWidget(expressionBox, 1, 0);
    layout->addLayout(buttons, 0, 1, 4, 1);
    layout->addWidget(bindingsLabel, 2, 0);
    layout->addWidget(bindingsTable, 3, 0);
    layout->addWidget(summary, 4, 0, 1, 2);
    layout->addWidget(resultList, 5, 0, 1, 2);
    layout->setRowStretch(5, 1);
    resize(620, 520);
}

void XPathDlg::SetTreeView(TrelvoView* view)
{
    treeView = view;
    LoadHistory();
    ShowBindings(view ? view->PathBindings() : DomBindings());
}

void XPathDlg::Activate()
{
    if (treeView && stale) {
        ShowBindings(treeView->PathBindings());
        results->Refresh(treeView->PathBindings());
    }
    stale = false;
    show();
    raise();
    activateWindow();
    expressionBox->setFocus();
    expressionBox->lineEdit()->selectAll();
}

void XPathDlg::OnUpdate(View*, long hint)
{
    if (hint == TrelvoDoc::HintClear) {
        // The listed nodes would keep the old document's memory alive.
        results->Clear();
        summary->clear();
        return;
    }
    if (hint == TrelvoDoc::HintSaved || !treeView)
        return;
    // An edit may have moved or removed listed nodes, or a load brought other declarations.
    // Hidden, the dialog catches up when it is shown again: bindings are made from the whole
    // document, which is not needed after every load.
    if (!isVisible()) {
        stale = true;
        return;
    }
    ShowBindings(treeView->PathBindings());
    results->Refresh(treeView->PathBindings());
}

void XPathDlg::Evaluate()
{
    const QString expression = expressionBox->currentText().trimmed();
    TrelvoDoc* doc = treeView ? treeView->Doc() : nullptr;
    if (expression.isEmpty() || !doc || doc->dom.isNull())
        return;
    RememberExpression(expression);
    const DomNode context = doc->SelectedNode ? doc->SelectedNode : doc->dom.documentNode();
    const DomBindings& bindings = treeView->PathBindings();
    WaitCursor wait;
    DomXPath::Result result = DomXPath::Evaluate(context, expression, bindings);
    ShowResult(result);
    results->SetNodes(std::move(result.nodes), bindings);
}

void XPathDlg::ShowResult(const DomXPath::Result& result)
{
    QString text;
    if (Failed(result.status)) {
        text = result.error;
    } else if (result.kind == DomXPath::Kind::Nodes) {
        text = result.count > long(result.nodes.size())
            ? QStringLiteral("%1; the first %2 are listed.")
                  .arg(NodeCount(result.count),
                      QLocale(QLocale::English).toString(qlonglong(result.nodes.size())))
            : NodeCount(result.count) + QLatin1Char('.');
    } else {
        const QString kind = result.kind == DomXPath::Kind::Number ? QStringLiteral("Number")
            : result.kind == DomXPath::Kind::String                ? QStringLiteral("String")
                                                                   : QStringLiteral("Boolean");
        text = QStringLiteral("%1: %2").arg(kind, result.value);
    }
    summary->setText(text);
}

void XPathDlg::OnResultClicked(const QModelIndex& index)
{
    const DomNode node = results->Node(index);
    if (!node || !treeView)
        return;
    if (!treeView->SelectNode(node))
        summary->setText(QStringLiteral("The node has been deleted."));
}

void XPathDlg::ShowBindings(const DomBindings& bindings)
{
    if (bindings == TableBindings() && bindingsTable->rowCount() > 0)
        return;
    fillingBindings = true;
    const auto& list = bindings.List();
    // One empty row at the end takes a new binding.
    bindingsTable->setRowCount(int(list.size()) + 1);
    for (int row = 0; row <= int(list.size()); ++row) {
        const bool empty = row == int(list.size());
        bindingsTable->setItem(
            row, 0, new QTableWidgetItem(empty ? QString() : list[size_t(row)].prefix));
        bindingsTable->setItem(
            row, 1, new QTableWidgetItem(empty ? QString() : list[size_t(row)].uri));
    }
    fillingBindings = false;
}

DomBindings XPathDlg::TableBindings() const
{
    std::vector<DomBindings::Binding> list;
    for (int row = 0; row < bindingsTable->rowCount(); ++row) {
        const QTableWidgetItem* prefix = bindingsTable->item(row, 0);
        const QTableWidgetItem* uri = bindingsTable->item(row, 1);
        if (prefix && uri && !prefix->text().trimmed().isEmpty()
            && !uri->text().trimmed().isEmpty())
            list.push_back({ prefix->text().trimmed(), uri->text().trimmed() });
    }
    return DomBindings(std::move(list));
}

void XPathDlg::OnBindingEdited()
{
    if (fillingBindings || !treeView)
        return;
    // The paths in the status bar and in the list follow the prefixes the user chose.
    const DomBindings bindings = TableBindings();
    treeView->SetPathBindings(bindings);
    results->Refresh(bindings);
    // Keep one empty row at the end for the next binding.
    const int last = bindingsTable->rowCount() - 1;
    const QTableWidgetItem* prefix = bindingsTable->item(last, 0);
    const QTableWidgetItem* uri = bindingsTable->item(last, 1);
    if (last < 0 || (prefix && !prefix->text().isEmpty()) || (uri && !uri->text().isEmpty())) {
        fillingBindings = true;
        bindingsTable->insertRow(last + 1);
        bindingsTable->setItem(last + 1, 0, new QTableWidgetItem);
        bindingsTable->setItem(last + 1, 1, new QTableWidgetItem);
        fillingBindings = false;
    }
}

void XPathDlg::LoadHistory()
{
    expressionBox->clear();
    if (!treeView)
        return;
    const QStringList history
        = treeView->Settings().XPathHistory.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    expressionBox->addItems(history.mid(0, HistorySize));
    expressionBox->setCurrentIndex(-1);
}

void XPathDlg::RememberExpression(const QString& expression)
{
    QStringList history;
    history << expression;
    for (int index = 0; index < expressionBox->count() && history.size() < HistorySize; ++index) {
        if (expressionBox->itemText(index) != expression)
            history << expressionBox->itemText(index);
    }
    expressionBox->clear();
    expressionBox->addItems(history);
    expressionBox->setCurrentIndex(0);
    if (treeView)
        treeView->Settings().XPathHistory = history.join(QLatin1Char('\n'));
}
