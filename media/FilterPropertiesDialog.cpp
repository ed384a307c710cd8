#include "FilterPropertiesDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

FilterPropertiesDialog::FilterPropertiesDialog(const QString& elementName, const QList<Row>& rows,
                                               QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FilterProperties"));
    setWindowTitle(elementName);
    auto* table = new QTableWidget(static_cast<int>(rows.size()), 2, this);
    table->setHorizontalHeaderLabels({QStringLiteral("名前"), QStringLiteral("値")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < rows.size(); ++row) {
        auto* name = new QTableWidgetItem(rows[row].name);
        name->setToolTip(rows[row].description);
        table->setItem(row, 0, name);
        table->setItem(row, 1, new QTableWidgetItem(rows[row].value));
    }
    table->horizontalHeader()->setStretchLastSection(true);
    table->resizeColumnToContents(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table);
    layout->addWidget(buttons);
    resize(520, 420);
}
