#pragma once
// The properties of one element of the running graph, read-only, in a modal dialog captioned
// with the element's name.

#include <QDialog>
#include <QList>
#include <QString>

class FilterPropertiesDialog : public QDialog
{
public:
    struct Row
    {
        QString name;
        QString value;
        QString description;
    };
    FilterPropertiesDialog(const QString& elementName, const QList<Row>& rows, QWidget* parent = nullptr);
};
